#!/usr/bin/env bash
# Cases for the release programs korvo-image and korvo-make-sample-image, run as subprocesses.
# Usage: korvo_image_cli_test.sh CASE KORVO_IMAGE MAKE_SAMPLE_IMAGE COMMITTED_FIRMWARE
set -u

case_name=$1
korvo_image=$2
make_sample=$3
committed=$4

plain_bytes=131080
stored_bytes=524320

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

file_size() {
    wc -c <"$1" | tr -d ' '
}

# The byte at offset $2 of file $1, as a decimal number.
byte_at() {
    od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '
}

# Writes byte value $3 (decimal) at offset $2 of file $1.
put_byte() {
    printf "\\$(printf '%03o' "$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# Runs a command that must succeed, keeping its stdout in $work/out.
expect_success() {
    "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    if [ $rc -ne 0 ]; then
        fail "'$*' exited with $rc: $(cat "$work/err")"
    fi
}

# Runs a command that must fail with exactly one line on stderr containing $1.
expect_failure() {
    local expected=$1
    shift
    "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    local lines
    lines=$(wc -l <"$work/err" | tr -d ' ')
    if [ $rc -eq 0 ]; then
        fail "'$*' succeeded; expected a failure"
    elif [ "$lines" -ne 1 ]; then
        fail "'$*' wrote $lines lines on stderr; expected one: $(cat "$work/err")"
    elif ! grep -q -- "$expected" "$work/err"; then
        fail "'$*' said '$(cat "$work/err")'; expected it to mention '$expected'"
    fi
}

make_plain() {
    expect_success "$make_sample" "$work/plain"
}

make_stored() {
    make_plain
    expect_success "$korvo_image" scramble "$work/plain" "$work/stored"
}

case $case_name in
scramble_round_trip)
    make_stored
    expect_success "$korvo_image" scramble "$work/plain" "$work/stored2"
    [ "$(file_size "$work/stored")" -eq $stored_bytes ] ||
        fail "scrambled file is $(file_size "$work/stored") bytes, expected $stored_bytes"
    cmp -s "$work/stored" "$work/stored2" && fail "two scramblings gave the same file"
    for stored in stored stored2; do
        expect_success "$korvo_image" unscramble "$work/$stored" "$work/$stored.plain"
        cmp "$work/plain" "$work/$stored.plain" >&2 || fail "$stored does not unscramble to the plain image"
    done
    ;;
check_accepts_committed_firmware)
    expect_success "$korvo_image" check "$committed"
    grep -q "version 1.8" "$work/out" || fail "check printed '$(cat "$work/out")', expected version 1.8"
    ;;
committed_firmware_matches_generator)
    make_plain
    expect_success "$korvo_image" unscramble "$committed" "$work/committed.plain"
    cmp "$work/plain" "$work/committed.plain" >&2 ||
        fail "resources/firmware.scrambled is not the generator's image; run tools/make-sample-image/regenerate.sh"
    ;;
sample_header_holds_payload_sum)
    make_plain
    sum=$(od -An -tu1 -v -j 8 "$work/plain" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { print s % 16777216 }')
    number=$(( ($(byte_at "$work/plain" 5) << 16) | ($(byte_at "$work/plain" 6) << 8) | $(byte_at "$work/plain" 7) ))
    [ "$number" -eq "$sum" ] || fail "header number is $number, payload sum modulo 2^24 is $sum"
    [ "$(byte_at "$work/plain" 2)" -eq 1 ] || fail "header byte 2 is $(byte_at "$work/plain" 2), expected 1"
    ;;
longer_stored_form_is_cut)
    make_stored
    head -c 1000 /dev/urandom >>"$work/stored"
    expect_success "$korvo_image" unscramble "$work/stored" "$work/again"
    cmp "$work/plain" "$work/again" >&2 || fail "a longer stored form does not unscramble to the plain image"
    grep -q "ignoring the 1000 bytes" "$work/err" || fail "no warning about the extra bytes: $(cat "$work/err")"
    ;;
missing_file_fails)
    expect_failure "cannot read" "$korvo_image" check "$work/missing"
    expect_failure "cannot read" "$korvo_image" unscramble "$work/missing" "$work/out.plain"
    expect_failure "cannot read" "$korvo_image" scramble "$work/missing" "$work/out.stored"
    [ -e "$work/out.plain" ] || [ -e "$work/out.stored" ] && fail "an output file was written for a missing input"
    ;;
plain_image_of_wrong_length_fails)
    make_plain
    head -c $((plain_bytes - 1)) "$work/plain" >"$work/short"
    expect_failure "must be exactly $plain_bytes bytes" "$korvo_image" scramble "$work/short" "$work/out.stored"
    { cat "$work/plain"; printf 'x'; } >"$work/long"
    expect_failure "must be exactly $plain_bytes bytes" "$korvo_image" scramble "$work/long" "$work/out.stored"
    [ -e "$work/out.stored" ] && fail "an output file was written for a plain image of the wrong length"
    ;;
short_stored_form_fails)
    make_stored
    head -c $((stored_bytes - 4)) "$work/stored" >"$work/short"
    expect_failure "at least $stored_bytes bytes" "$korvo_image" check "$work/short"
    expect_failure "at least $stored_bytes bytes" "$korvo_image" unscramble "$work/short" "$work/out.plain"
    ;;
bad_header_fails)
    make_stored
    # The data byte of group j is stored at 4j; flipping a bit there flips the same bit of image
    # byte j and nothing else. 0x20 turns "F" into "f".
    cp "$work/stored" "$work/lower"
    put_byte "$work/lower" 0 $(( $(byte_at "$work/lower" 0) ^ 0x20 ))
    expect_failure "bad header" "$korvo_image" check "$work/lower"
    expect_failure "bad header" "$korvo_image" unscramble "$work/lower" "$work/out.plain"
    cp "$work/stored" "$work/byte4"
    put_byte "$work/byte4" 16 $(( $(byte_at "$work/byte4" 16) ^ 0x01 ))
    expect_failure "byte 4" "$korvo_image" check "$work/byte4"
    cp "$work/plain" "$work/plain.lower"
    put_byte "$work/plain.lower" 1 119  # "w"
    expect_failure "bad header" "$korvo_image" scramble "$work/plain.lower" "$work/out.stored"
    ;;
usage_errors_fail)
    expect_success "$korvo_image" --help
    grep -q "scramble PLAIN OUT" "$work/out" || fail "--help does not describe scramble"
    expect_failure "expected a command" "$korvo_image"
    expect_failure "unknown command" "$korvo_image" shuffle a b
    expect_failure "check takes one file" "$korvo_image" check
    ;;
*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac

[ $failures -eq 0 ] || exit 1
echo "PASS: $case_name"
