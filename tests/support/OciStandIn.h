#pragma once

#include <QString>
#include <QtGlobal>

namespace qv::test {

// The stand-in Oracle client library built in the test tree: it serves a
// schema file (its path is the connect identifier) through the OCI entry
// points. CTest names its file in QUORVANE_OCI_STANDIN; a test that finds no
// such file fails.
struct OciStandIn {
    static QString library();         // the full library
    static QString partialLibrary();  // the same without OCILobRead2
    // Points QUORVANE_OCI_LIBRARY at the full library.
    static void use();

    // What the library reports of itself (its test hooks).
    static int live(unsigned type = 0);  // live handles or descriptors of an OCI type; 0 = all
    static QString fetchTrace();         // rows placed by each fetch of the last statement, "20,20,5"
    static quint64 largestLobPiece();    // most bytes one LOB read handed out
    static int invalidHandleUses();      // calls given a pointer that was no live handle
    static quint64 roundTrips();         // round trips to the "server" since the library was loaded
    static bool holding();               // a round trip is held (QV_OCI_STANDIN_HOLD_AFTER_ROWS)
};

}  // namespace qv::test
