#include "OciColumn.h"

#include "OracleFormats.h"
#include "data/Errors.h"
#include "data/Utf8.h"

#include <algorithm>
#include <cstring>

namespace qv::oci {

namespace {

constexpr ub4 longPieceBytes = 64 * 1024;
constexpr oraub8 lobPieceBytes = 256 * 1024;
constexpr sb8 longestLong = 0x7fffffff;  // LONG and LONG RAW hold at most 2 GB - 1

// Frees a parameter descriptor when the describe is done with it.
struct ParamGuard {
    const OciFunctions& f;
    void* param = nullptr;
    ~ParamGuard()
    {
        if (param)
            f.OCIDescriptorFree(param, OCI_DTYPE_PARAM);
    }
};

QString typeName(ub2 type)
{
    switch (type) {
    case SQLT_NTY: return QStringLiteral("a user-defined type");
    case SQLT_BFILEE: return QStringLiteral("BFILE");
    case 110: return QStringLiteral("REF");
    case 116: return QStringLiteral("a cursor");
    default: return QStringLiteral("type %1").arg(type);
    }
}

}  // namespace

OciColumn::OciColumn(OciContext& context, OCIStmt* statement, ub4 position) : context_(context), position_(position)
{
    describe(statement);
}

OciColumn::Descriptors::~Descriptors()
{
    for (void* descriptor : items)
        if (descriptor)
            f.OCIDescriptorFree(descriptor, type);
}

void OciColumn::describe(OCIStmt* statement)
{
    const OciFunctions& f = context_.f;
    ParamGuard param{f};
    context_.check(f.OCIParamGet(statement, OCI_HTYPE_STMT, context_.err, &param.param, position_));
    OraText* name = nullptr;
    ub4 nameLength = 0;
    ub1 nullable = 1;
    context_.check(f.OCIAttrGet(param.param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, context_.err));
    context_.check(f.OCIAttrGet(param.param, OCI_DTYPE_PARAM, &oracleType_, nullptr, OCI_ATTR_DATA_TYPE,
                                context_.err));
    context_.check(f.OCIAttrGet(param.param, OCI_DTYPE_PARAM, &dataSize_, nullptr, OCI_ATTR_DATA_SIZE,
                                context_.err));
    context_.check(f.OCIAttrGet(param.param, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, context_.err));
    context_.check(f.OCIAttrGet(param.param, OCI_DTYPE_PARAM, &charsetForm_, nullptr, OCI_ATTR_CHARSET_FORM,
                                context_.err));
    context_.check(f.OCIAttrGet(param.param, OCI_DTYPE_PARAM, &charSize_, nullptr, OCI_ATTR_CHAR_SIZE,
                                context_.err));

    info_.name = decodeUtf8(QByteArrayView(reinterpret_cast<const char*>(name), nameLength));
    info_.size = dataSize_;
    info_.nullable = nullable != 0;

    switch (oracleType_) {
    case SQLT_NUM: reading_ = Reading::Number; break;
    case SQLT_DAT: reading_ = Reading::Date; break;
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_INTERNAL:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_TZ_INTERNAL:
    case SQLT_TIMESTAMP_LTZ:
    case SQLT_TIMESTAMP_LTZ_INTERNAL: reading_ = Reading::Timestamp; break;
    case SQLT_IBFLOAT:
    case SQLT_BFLOAT: reading_ = Reading::Float; break;
    case SQLT_IBDOUBLE:
    case SQLT_BDOUBLE: reading_ = Reading::Double; break;
    case SQLT_BIN: reading_ = Reading::Bytes; break;
    case SQLT_LNG: reading_ = Reading::LongText; break;
    case SQLT_LBI: reading_ = Reading::LongBytes; break;
    case SQLT_CLOB: reading_ = Reading::Clob; break;
    case SQLT_BLOB: reading_ = Reading::Blob; break;
    case SQLT_NTY:
    case SQLT_BFILEE:
    case 110:
    case 116:
        throw Error(QStringLiteral("Column %1 is of %2, which Quorvane cannot read")
                        .arg(info_.name, typeName(oracleType_)));
    default:
        // Character types, intervals, ROWIDs, and whatever else Oracle can
        // give as text; it refuses with its own message what it cannot.
        reading_ = Reading::Text;
        break;
    }
    switch (reading_) {
    case Reading::Number: info_.type = ValueKind::Decimal; break;
    case Reading::Date:
    case Reading::Timestamp: info_.type = ValueKind::DateTime; break;
    case Reading::Float:
    case Reading::Double: info_.type = ValueKind::Float; break;
    case Reading::Bytes:
    case Reading::LongBytes:
    case Reading::Blob: info_.type = ValueKind::Bytes; break;
    case Reading::Text:
    case Reading::LongText:
    case Reading::Clob: info_.type = ValueKind::Text; break;
    }
}

void OciColumn::allocateDescriptors(ub4 type)
{
    descriptors_.type = type;
    descriptors_.items.assign(rows_, nullptr);
    for (void*& descriptor : descriptors_.items)
        if (const sword status = context_.f.OCIDescriptorAlloc(context_.env, &descriptor, type, 0, nullptr);
            status != OCI_SUCCESS)
            throw Error(context_.environmentErrorText(status));
}

qsizetype OciColumn::rowBytes() const
{
    switch (reading_) {
    case Reading::Number: return 22;
    case Reading::Date: return 7;
    case Reading::Float: return sizeof(float);
    case Reading::Double: return sizeof(double);
    case Reading::Bytes: return std::max<qsizetype>(dataSize_, 1);
    case Reading::Text: return std::max<qsizetype>(std::max<qsizetype>(dataSize_, charSize_) * 4, 128);
    case Reading::Timestamp: return 64;  // a descriptor
    // A LOB counts for its part that comes with the row and the client's
    // room to read the rest.
    case Reading::Clob:
    case Reading::Blob: return qsizetype(lobPieceBytes);
    case Reading::LongText:
    case Reading::LongBytes: return longPieceBytes;
    }
    return 128;
}

void OciColumn::define(OCIStmt* statement, ub4 rows)
{
    const OciFunctions& f = context_.f;
    const ub4 position = position_;
    rows_ = rows;
    ub2 external = SQLT_CHR;
    switch (reading_) {
    case Reading::Number: external = SQLT_VNU, elementSize_ = 22; break;
    case Reading::Date: external = SQLT_DAT, elementSize_ = 7; break;
    // A BINARY_FLOAT read as a double would arrive widened (1.1 as
    // 1.100000023841858): it is read as the float it is.
    case Reading::Float: external = SQLT_BFLOAT, elementSize_ = sizeof(float); break;
    case Reading::Double: external = SQLT_BDOUBLE, elementSize_ = sizeof(double); break;
    case Reading::Bytes: external = SQLT_BIN, elementSize_ = rowBytes(); break;
    // Room for the longest text the column can hold in UTF-8: four bytes for
    // each of its characters (or bytes, in a single-byte set).
    case Reading::Text: elementSize_ = rowBytes(); break;
    case Reading::Timestamp:
        external = oracleType_ == SQLT_TIMESTAMP_TZ || oracleType_ == SQLT_TIMESTAMP_TZ_INTERNAL ? SQLT_TIMESTAMP_TZ
                   : oracleType_ == SQLT_TIMESTAMP_LTZ || oracleType_ == SQLT_TIMESTAMP_LTZ_INTERNAL
                       ? SQLT_TIMESTAMP_LTZ
                       : SQLT_TIMESTAMP;
        allocateDescriptors(external == SQLT_TIMESTAMP_TZ    ? OCI_DTYPE_TIMESTAMP_TZ
                            : external == SQLT_TIMESTAMP_LTZ ? OCI_DTYPE_TIMESTAMP_LTZ
                                                             : OCI_DTYPE_TIMESTAMP);
        break;
    case Reading::Clob:
    case Reading::Blob:
        external = reading_ == Reading::Clob ? SQLT_CLOB : SQLT_BLOB;
        allocateDescriptors(OCI_DTYPE_LOB);
        break;
    case Reading::LongText:
    case Reading::LongBytes: {
        external = reading_ == Reading::LongText ? SQLT_LNG : SQLT_LBI;
        indicators_.assign(rows_, 0);
        longPieces_.resize(rows_);
        context_.check(f.OCIDefineByPos2(statement, &define_, context_.err, position, nullptr, longestLong, external,
                                         nullptr, nullptr, nullptr, OCI_DYNAMIC_FETCH));
        context_.check(f.OCIDefineDynamic(define_, context_.err, this, &OciColumn::nextLongPiece));
        return;
    }
    }

    indicators_.assign(rows_, 0);
    lengths_.assign(rows_, 0);
    returnCodes_.assign(rows_, 0);
    void* values = nullptr;
    sb8 valueSize = elementSize_;
    if (!descriptors_.items.empty()) {
        values = descriptors_.items.data();
        valueSize = sizeof(void*);
    } else {
        buffer_ = QByteArray(elementSize_ * rows_, Qt::Uninitialized);
        values = buffer_.data();
    }
    context_.check(f.OCIDefineByPos2(statement, &define_, context_.err, position, values, valueSize, external,
                                     indicators_.data(), lengths_.data(), returnCodes_.data(), OCI_DEFAULT));
    // A LOB's length comes with its row, as its first part does (ODPI-C sets
    // this on every LOB define: dpiStmt.c, dpiStmt__define).
    if (reading_ == Reading::Clob || reading_ == Reading::Blob) {
        int withLength = 1;
        f.OCIAttrSet(define_, OCI_HTYPE_DEFINE, &withLength, 0, OCI_ATTR_LOBPREFETCH_LENGTH, context_.err);
    }
    // NCHAR and NVARCHAR2 read in the implicit form would pass through the
    // database character set, which may lack their characters (ODPI-C sets
    // the national form on such defines: dpiStmt.c, dpiStmt__define).
    if (reading_ == Reading::Text && charsetForm_ == SQLCS_NCHAR) {
        ub1 form = SQLCS_NCHAR;
        context_.check(f.OCIAttrSet(define_, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, context_.err));
    }
}

void OciColumn::beforeFetch()
{
    if (reading_ != Reading::LongText && reading_ != Reading::LongBytes)
        return;
    for (auto& pieces : longPieces_)
        pieces.clear();
    std::fill(indicators_.begin(), indicators_.end(), sb2(0));
}

// Each call gives the client a new piece of its own; the pieces' lengths are
// read when the fetch has returned. No return code is asked for: the
// indicator tells a NULL (the way ODPI-C's dpiVar__defineCallback works).
sb4 OciColumn::nextLongPiece(void* column, OCIDefine*, ub4 iter, void** buffer, ub4** length, ub1*,
                             void** indicator, ub2** returnCode)
{
    auto* self = static_cast<OciColumn*>(column);
    if (iter >= self->rows_)
        return OCI_ERROR;
    LongPiece& piece = self->longPieces_[iter].emplace_back();
    piece.data = QByteArray(longPieceBytes, Qt::Uninitialized);
    piece.length = longPieceBytes;
    *buffer = piece.data.data();
    *length = &piece.length;
    *indicator = &self->indicators_[iter];
    *returnCode = nullptr;
    return OCI_CONTINUE;
}

QByteArray OciColumn::longValue(ub4 row) const
{
    QByteArray value;
    qsizetype total = 0;
    for (const LongPiece& piece : longPieces_[row])
        total += std::min(piece.length, longPieceBytes);
    value.reserve(total);
    for (const LongPiece& piece : longPieces_[row])
        value.append(piece.data.constData(), std::min(piece.length, longPieceBytes));
    return value;
}

void OciColumn::refuse(qint64 rowNumber, const QString& problem) const
{
    throw Error(QStringLiteral("Column %1, row %2: %3").arg(info_.name).arg(rowNumber).arg(problem));
}

QByteArray OciColumn::element(ub4 row) const
{
    return QByteArray(buffer_.constData() + row * elementSize_, std::min<qsizetype>(lengths_[row], elementSize_));
}

DateTime OciColumn::timestamp(ub4 row) const
{
    const OciFunctions& f = context_.f;
    auto* value = static_cast<OCIDateTime*>(descriptors_.items[row]);
    sb2 year = 0;
    ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
    ub4 fraction = 0;
    context_.check(f.OCIDateTimeGetDate(context_.env, context_.err, value, &year, &month, &day));
    context_.check(f.OCIDateTimeGetTime(context_.env, context_.err, value, &hour, &minute, &second, &fraction));
    DateTime result;
    result.year = year, result.month = month, result.day = day;
    result.hour = hour, result.minute = minute, result.second = second;
    result.nanosecond = int(fraction);
    return result;
}

QByteArray OciColumn::readLob(ub4 row, qint64 rowNumber)
{
    const OciFunctions& f = context_.f;
    auto* locator = static_cast<OCILobLocator*>(descriptors_.items[row]);
    oraub8 length = 0;  // characters of a CLOB, bytes of a BLOB
    context_.check(f.OCILobGetLength2(context_.svc, context_.err, locator, &length));
    if (length == 0)
        return {};

    const bool characters = reading_ == Reading::Clob;
    QByteArray piece(lobPieceBytes, Qt::Uninitialized);
    QByteArray value;
    oraub8 byteAmount = characters ? 0 : length;
    oraub8 charAmount = characters ? length : 0;
    ub1 pieceKind = OCI_FIRST_PIECE;
    for (;;) {
        const sword status = f.OCILobRead2(context_.svc, context_.err, locator, &byteAmount, &charAmount, 1,
                                           piece.data(), lobPieceBytes, pieceKind, nullptr, nullptr,
                                           characters ? AL32UTF8_CHARSET_ID : ub2(0),
                                           characters && charsetForm_ ? charsetForm_ : SQLCS_IMPLICIT);
        if (status != OCI_NEED_DATA)
            context_.check(status);
        if (byteAmount > lobPieceBytes)
            refuse(rowNumber, QStringLiteral("the Oracle client reports more LOB data than it was given room for"));
        value.append(piece.constData(), qsizetype(byteAmount));
        if (status != OCI_NEED_DATA)
            break;
        pieceKind = OCI_NEXT_PIECE;
    }
    if (!characters && oraub8(value.size()) != length)
        refuse(rowNumber, QStringLiteral("%1 of the BLOB's %2 bytes arrived").arg(value.size()).arg(length));
    return value;
}

DbValue OciColumn::value(ub4 row, qint64 rowNumber)
{
    const bool isLong = reading_ == Reading::LongText || reading_ == Reading::LongBytes;
    const sb2 indicator = indicators_[row];
    if (indicator == -1 || (isLong && longPieces_[row].empty()))
        return DbValue::null();
    const ub2 returnCode = isLong ? ub2(0) : returnCodes_[row];
    if (returnCode == ORA_VALUE_TRUNCATED || indicator == -2 || indicator > 0)
        refuse(rowNumber, QStringLiteral("the value is longer than the %1 bytes this column can hold")
                              .arg(elementSize_));
    if (returnCode != 0 && returnCode != ORA_NULL_FETCHED)
        refuse(rowNumber, QStringLiteral("Oracle reports ORA-%1 for this value")
                              .arg(returnCode, 5, 10, QLatin1Char('0')));

    const auto text = [&](QByteArrayView bytes) {
        bool valid = false;
        QString decoded = decodeUtf8(bytes, &valid);
        if (!valid)
            refuse(rowNumber, QStringLiteral("the Oracle client gave text that is not UTF-8"));
        return DbValue::fromText(std::move(decoded));
    };
    // Oracle's own failures (a lost connection while a LOB is read) pass
    // as they are; bytes that do not decode name the column and row.
    const auto decoded = [&](auto decode) {
        try {
            return decode();
        } catch (const Error& e) {
            refuse(rowNumber, e.message());
        }
    };
    switch (reading_) {
    case Reading::Number: {
        // Fixed-size external forms: the whole element, whatever length the
        // client reports.
        const QByteArrayView bytes(buffer_.constData() + row * elementSize_, elementSize_);
        const int length = quint8(bytes[0]);
        if (length < 1 || length > 21)
            refuse(rowNumber, QStringLiteral("the Oracle client gave a NUMBER of %1 bytes").arg(length));
        return decoded([&] { return DbValue::fromDecimal(decodeOracleNumber(bytes.sliced(1, length))); });
    }
    case Reading::Date: return decoded([&] {
            return DbValue::fromDateTime(decodeOracleDate(QByteArrayView(buffer_.constData() + row * elementSize_, 7)));
        });
    case Reading::Timestamp: return decoded([&] { return DbValue::fromDateTime(timestamp(row)); });
    case Reading::Float: {
        float number = 0;
        std::memcpy(&number, buffer_.constData() + row * elementSize_, sizeof number);
        return DbValue::fromFloat(shortestDouble(number));
    }
    case Reading::Double: {
        double number = 0;
        std::memcpy(&number, buffer_.constData() + row * elementSize_, sizeof number);
        return DbValue::fromFloat(number);
    }
    case Reading::Text: return text(element(row));
    case Reading::Bytes: return DbValue::fromBytes(element(row));
    case Reading::LongText: return text(longValue(row));
    case Reading::LongBytes: return DbValue::fromBytes(longValue(row));
    case Reading::Clob: return text(readLob(row, rowNumber));
    case Reading::Blob: return DbValue::fromBytes(readLob(row, rowNumber));
    }
    return {};
}

}  // namespace qv::oci
