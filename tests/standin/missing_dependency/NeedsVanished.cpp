// A client library whose own dependency is missing at run time, as Instant
// Client is without libaio: the loader refuses it and names the dependency.
extern "C" int qv_vanished_answer();

extern "C" int qv_needs_vanished()
{
    return qv_vanished_answer();
}
