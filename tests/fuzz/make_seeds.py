#!/usr/bin/env python3
# Writes the small committed seed corpora of the two fuzz targets. Each seed is a script in the
# targets' input format (read front to back, one decision per byte; see fuzz_link_receive.cpp,
# scripted_driver.cpp and fuzz_image_load.cpp); run this again after changing that format.
import os
here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, 'corpus', 'fuzz_link_receive')
OPEN, SEND, RECEIVE, IDENTIFY, WRITE, VERIFY, CLOSE = range(7)
# A read's decision byte (scripted_driver.cpp); 0 is a clean read of what the board holds.
HOW_PIECE = 4 << 5    # stores only as many bytes as the next input byte says
HOW_GARBAGE = 2 << 3  # the bytes come from the input, not from the board
HOW_OVER = 7 << 5     # stores all that was asked and reports a larger count
HOW_IOERR = 6         # status 4, the input/output error
def op(code, arm=0): return bytes([code, arm])
# WriteBlock's bytes: address mode and block number, block pattern and prefix, then the purge's
# and the command write's statuses, the echo read, the data write's status and the last two reads.
def write_block(block_no, pattern, prefix, reads=b'\0\0\0', purge=0, cmd=0, data=0):
    return bytes([0, block_no, pattern, len(prefix)]) + prefix + bytes([purge, cmd]) + reads[:1] + bytes([data]) + reads[1:]
seeds = {}
STARTUP = b'\0' * 9  # the first open, its seven set-up calls and the opening drain read
# Block 1 written, read back, then the device identified.
seeds['write-verify-identify'] = STARTUP + (
    op(WRITE) + write_block(1, 0x5A, b'ABCD') +
    op(VERIFY) + bytes([0, 1, 0, 0x5A, 4]) + b'ABCD' + bytes([1, 0, 0, 0, 0]) +
    op(IDENTIFY) + bytes([0, 0x00, 0x17, 0, 0]))
# A ten-byte command whose echo arrives as 3, 3 and 4 bytes.
seeds['echo-in-pieces'] = STARTUP + (
    op(SEND) + bytes([10]) + b'0123456789' + bytes([0, 10, 0]) +
    bytes([HOW_PIECE, 3, HOW_PIECE, 3, 0]))
# A read that stores the four bytes asked for and reports far more.
seeds['over-reported-read'] = STARTUP + (
    op(RECEIVE) + bytes([0, 4, HOW_GARBAGE | HOW_OVER]) + b'JD\x03\xff' + b'\xff\xff\xff\xff')
# The window closes the link at the second pump of an echo that arrives in pieces.
seeds['closed-during-echo'] = STARTUP + (
    op(SEND, 0xF1) + bytes([10]) + b'0123456789' + bytes([0, 10, 0]) +
    bytes([HOW_PIECE, 3, HOW_PIECE, 3]) + op(OPEN) + b'\0' * 9)
# Only the second adapter opens, the USB parameters are refused, and a block's acknowledgement
# ends with an input/output error.
seeds['second-adapter-io-error-ack'] = (
    b'\xf8\x05\0\0\0' + b'\0' + b'\0\0\0' + b'\xf8\x07\0\0\0' + b'\0\0\0' + b'\0' +
    op(WRITE) + write_block(2, 0x00, b'', reads=bytes([0, 0, HOW_IOERR])))
# A read-back of block 3 whose last piece reports an input/output error.
seeds['read-back-io-error'] = STARTUP + (
    op(VERIFY) + bytes([0, 3, 0, 0x11, 0, 0, 0, 0, 0, HOW_PIECE, 0xE8, 0x03, HOW_IOERR]))
os.makedirs(out, exist_ok=True)
for name, data in seeds.items():
    open(os.path.join(out, name), 'wb').write(data)
img = os.path.join(here, 'corpus', 'fuzz_image_load')
os.makedirs(img, exist_ok=True)
open(os.path.join(img, 'resource-missing'), 'wb').write(b'\xff')
open(os.path.join(img, 'memory-exhausted'), 'wb').write(b'\xfe')
open(os.path.join(img, 'short-resource'), 'wb').write(b'\x00' + b'FW\x00\x17\x00\x02\x00\x00' * 4)
# The sample stored image, one group short, whole, and one group long (bit 0 of byte 0 set).
open(os.path.join(img, 'sample-one-group-short'), 'wb').write(b'\x01\x00')
open(os.path.join(img, 'sample-whole'), 'wb').write(b'\x01\x04')
open(os.path.join(img, 'sample-one-group-long'), 'wb').write(b'\x01\x08')
