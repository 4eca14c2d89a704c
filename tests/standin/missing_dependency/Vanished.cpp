// The dependency that is not installed beside the library that needs it.
extern "C" int qv_vanished_answer()
{
    return 42;
}
