#pragma once

// Defines and fetches: the conversion of each fetched value to the external
// type its define names, and the placing of rows into define arrays.

#include "Handles.h"

namespace qv::standin {

// The external types whose define arrays hold descriptor pointers.
bool isDescriptorType(ub2 dty);

// Raises ORA-00932 unless Oracle converts `column` to `dty` and the stand-in
// implements that conversion.
void checkConversion(const Column& column, ub2 dty);

// Whether a query's rows are prefetched: never when it returns LOBs or
// LONGs (python-oracledb's tuning guide: "SELECT queries that return LOB
// objects and similar types will never prefetch rows").
bool prefetches(const OCIStmt& stmt);

// Up to `rows` rows of the result into the client's buffer, in one round
// trip of their own or (ownRoundTrip false) in that of the execute. An
// Oracle error on the way is kept for after the rows before it.
void bringRows(OCIStmt& stmt, ub4 rows, bool ownRoundTrip);

// Places up to `nrows` rows of an executed query into the defines of `stmt`,
// from the client's buffer, bringing more in a round trip when it runs dry,
// and returns OCI_SUCCESS, OCI_SUCCESS_WITH_INFO (a value was truncated; the
// info is set in `err`) or OCI_NO_DATA (fewer rows remained). Raises OraError.
sword fetchRows(OCIStmt& stmt, OCIError& err, ub4 nrows);

// The record behind qv_standin_fetch_trace: rows placed by each fetch call
// on the most recently executed statement.
void traceExecute(const OCIStmt* stmt);
void traceForget(const OCIStmt* stmt);
const char* traceText();

}  // namespace qv::standin
