#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace qv {

// UTF-8 bytes as text, every character kept: unlike QString::fromUtf8, a
// leading byte-order mark stays part of the text. `valid` (when given) tells
// whether the bytes were well-formed.
inline QString decodeUtf8(QByteArrayView bytes, bool* valid = nullptr)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    if (valid)
        *valid = !decoder.hasError();
    return text;
}

}  // namespace qv
