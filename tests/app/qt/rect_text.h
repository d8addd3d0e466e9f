// A rectangle as text, for failure messages of the window tests.
#pragma once

#include <QRect>
#include <sstream>
#include <string>

namespace korvo::testing {

inline std::string Describe(const QRect& r) {
    std::ostringstream out;
    out << '(' << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ')';
    return out.str();
}

}  // namespace korvo::testing
