// ThreadSanitizer reads these when the test program starts (TSan builds only).
// FFmpeg is not built with TSan: its slice-thread workers (H.265 wavefront
// rows) share scratch memory under their own synchronisation, which TSan
// cannot see through and reports at the memset calls inside libavcodec.
// Races in our own code still stop the tests.
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() { return "race:libavcodec.so\n"; }
