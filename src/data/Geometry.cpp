#include "Geometry.h"

#include "Errors.h"

#include <cstring>

namespace qv {

namespace {

class WkbReader {
public:
    explicit WkbReader(const QByteArray& wkb) : wkb_(wkb) {}

    // One geometry, rewritten little-endian into `out`.
    void geometry(QByteArray& out, int depth = 0)
    {
        if (depth > 32)
            refuse();
        const bool bigEndian = byte() == 0;
        const quint32 type = number(bigEndian);
        out.append(char(1));
        appendNumber(out, type);
        switch (type) {
        case 1: coordinates(out, bigEndian, 1); break;
        case 2: coordinates(out, bigEndian, counted(out, bigEndian)); break;
        case 3: {
            const quint32 rings = counted(out, bigEndian);
            for (quint32 r = 0; r < rings; ++r)
                coordinates(out, bigEndian, counted(out, bigEndian));
            break;
        }
        case 4:
        case 5:
        case 6:
        case 7: {
            const quint32 parts = counted(out, bigEndian);
            for (quint32 p = 0; p < parts; ++p)
                geometry(out, depth + 1);
            break;
        }
        default: refuse();  // three or four dimensions, or no geometry at all
        }
    }

    bool atEnd() const { return at_ == wkb_.size(); }

private:
    [[noreturn]] void refuse() const
    {
        throw ConversionError(
            QStringLiteral("the %1 bytes are no two-dimensional well-known binary geometry").arg(wkb_.size()));
    }
    unsigned char byte()
    {
        if (at_ >= wkb_.size())
            refuse();
        const unsigned char b = static_cast<unsigned char>(wkb_[at_++]);
        if (b > 1 && at_ == 1)
            refuse();
        return b;
    }
    quint32 number(bool bigEndian)
    {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i) {
            const quint32 b = byte();
            value |= bigEndian ? b << (8 * (3 - i)) : b << (8 * i);
        }
        return value;
    }
    quint32 counted(QByteArray& out, bool bigEndian)
    {
        const quint32 count = number(bigEndian);
        if (count > quint32(wkb_.size()))
            refuse();
        appendNumber(out, count);
        return count;
    }
    void coordinates(QByteArray& out, bool bigEndian, quint32 points)
    {
        for (quint32 p = 0; p < 2 * points; ++p) {
            quint64 bits = 0;
            for (int i = 0; i < 8; ++i) {
                const quint64 b = byte();
                bits |= bigEndian ? b << (8 * (7 - i)) : b << (8 * i);
            }
            for (int i = 0; i < 8; ++i)
                out.append(char((bits >> (8 * i)) & 0xff));
        }
    }
    static void appendNumber(QByteArray& out, quint32 value)
    {
        for (int i = 0; i < 4; ++i)
            out.append(char((value >> (8 * i)) & 0xff));
    }

    const QByteArray& wkb_;
    qsizetype at_ = 0;
};

}  // namespace

QByteArray mysqlGeometry(const QByteArray& wkb, qint64 srid)
{
    if (srid < 0 || srid > 0xffffffffLL)
        throw ConversionError(QStringLiteral("the SRID %1 is not one MySQL keeps").arg(srid));
    QByteArray out;
    out.reserve(wkb.size() + 4);
    for (int i = 0; i < 4; ++i)
        out.append(char((quint64(srid) >> (8 * i)) & 0xff));
    WkbReader reader(wkb);
    reader.geometry(out);
    if (!reader.atEnd())
        throw ConversionError(QStringLiteral("the %1 bytes hold more than one geometry").arg(wkb.size()));
    return out;
}

}  // namespace qv
