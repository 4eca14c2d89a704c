#pragma once

#include "data/DbValue.h"

#include <QByteArrayView>

namespace qv::oci {

// Oracle's internal NUMBER: an exponent byte, then up to 20 base-100 digits
// (each plus one; complemented for negative numbers, which end in byte 102
// when they are shorter than 20 digits). Returns the exact value with no
// trailing zeros after the point. Raises qv::Error for the two infinities
// and for bytes that are not a NUMBER.
Decimal decodeOracleNumber(QByteArrayView bytes);

// Oracle's 7-byte DATE: century and year of the century in excess-100
// notation, month, day, then hour, minute and second each plus one. Raises
// qv::Error for bytes that are not a date.
DateTime decodeOracleDate(QByteArrayView bytes);

}  // namespace qv::oci
