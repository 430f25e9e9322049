// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/widget_lookup.h"

#include <QObject>
#include <QString>
#include <stdexcept>

namespace vfd::testing {

// Object names of control-array members, "L1H(3)".
inline QString cellName(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

}  // namespace vfd::testing
