#pragma once

#include "OciContext.h"
#include "data/Driver.h"

#include <QByteArray>
#include <deque>
#include <vector>

namespace qv::oci {

// One column of a query's select list: what Oracle describes of it, and the
// buffers that an array fetch fills for it, one element per row of the
// rowset. Each Oracle type arrives as the value kind the schema-file driver
// gives for that declared type.
class OciColumn {
public:
    // Describes select-list item `position` (from 1) of the executed
    // statement. Raises qv::Error with Oracle's message, or naming a type
    // that cannot be read.
    OciColumn(OciContext& context, OCIStmt* statement, ub4 position);
    OciColumn(const OciColumn&) = delete;
    OciColumn& operator=(const OciColumn&) = delete;

    const ColumnInfo& info() const { return info_; }
    // The memory one row of this column takes in a fetch: its buffer, or a
    // LOB's part that comes with its row.
    qsizetype rowBytes() const;
    // LONG and LONG RAW: read in pieces of unknown number, never prefetched.
    bool isLong() const { return reading_ == Reading::LongText || reading_ == Reading::LongBytes; }
    // Defines the column's buffers for `rows` rows. Raises qv::Error.
    void define(OCIStmt* statement, ub4 rows);

    // Called before each fetch call.
    void beforeFetch();

    // The value in row `row` of the last fetch; `rowNumber` (from 1) names
    // the row in messages. Reads a LOB whole, in pieces. Raises qv::Error
    // for a value that arrived cut short or cannot be read exactly.
    DbValue value(ub4 row, qint64 rowNumber);

private:
    enum class Reading { Number, Date, Timestamp, Float, Double, Text, Bytes, LongText, LongBytes, Clob, Blob };

    void describe(OCIStmt* statement);
    void allocateDescriptors(ub4 type);
    [[noreturn]] void refuse(qint64 rowNumber, const QString& problem) const;
    QByteArray element(ub4 row) const;
    DateTime timestamp(ub4 row) const;
    QByteArray readLob(ub4 row, qint64 rowNumber);

    static sb4 nextLongPiece(void* column, OCIDefine*, ub4 iter, void** buffer, ub4** length, ub1* piece,
                             void** indicator, ub2** returnCode);
    QByteArray longValue(ub4 row) const;

    OciContext& context_;
    ColumnInfo info_;
    ub2 oracleType_ = 0;
    ub2 dataSize_ = 0;
    ub2 charSize_ = 0;
    ub1 charsetForm_ = 0;
    Reading reading_ = Reading::Text;
    ub4 position_;
    ub4 rows_ = 0;

    OCIDefine* define_ = nullptr;
    qsizetype elementSize_ = 0;
    QByteArray buffer_;  // rows_ elements of elementSize_ bytes
    std::vector<sb2> indicators_;
    std::vector<ub4> lengths_;
    std::vector<ub2> returnCodes_;

    // Locators or time stamps, one per row, when the column uses them;
    // freed with the column, also when defining it fails.
    struct Descriptors {
        const OciFunctions& f;
        ub4 type = 0;
        std::vector<void*> items;
        ~Descriptors();
    } descriptors_{context_.f, 0, {}};

    // LONG and LONG RAW arrive through a callback, piece by piece, each
    // piece with a length of its own that the client writes by the time the
    // fetch returns. A deque keeps each length where the client was told.
    struct LongPiece {
        QByteArray data;
        ub4 length = 0;
    };
    std::vector<std::deque<LongPiece>> longPieces_;  // one list for each row of the rowset
};

}  // namespace qv::oci
