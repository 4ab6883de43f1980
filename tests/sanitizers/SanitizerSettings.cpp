// The sanitizers' settings of a test program, built into each one of a
// sanitizer build. The runtime asks for them before main; the same settings
// go into the environment, so the programs a test starts (the desk, its
// companions, helpers) report the same way and know the same noise.

#include <cstdlib>

#define VELLORA_SUPPRESSIONS(file) "suppressions=" VELLORA_SANITIZER_FOLDER "/" file

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Libraries built without frame pointers end the quick unwinder's stacks
// early; where a suppression must see a library's frames, the slow one runs.
#if defined(VELLORA_FULL_ALLOCATION_STACKS)
constexpr const char *kAddress = "detect_leaks=1:fast_unwind_on_malloc=0";
#else
constexpr const char *kAddress = "detect_leaks=1";
#endif
// Undefined behaviour is built to end the program; its report names the line.
constexpr const char *kLeaks = VELLORA_SUPPRESSIONS("lsan.supp") ":print_suppressions=0";
constexpr const char *kUndefined = VELLORA_SUPPRESSIONS("ubsan.supp") ":print_stacktrace=1:halt_on_error=1";
#endif
#if defined(__SANITIZE_THREAD__)
// Debian's Qt is not instrumented: its own locking is invisible, and
// reports inside it are left out (tsan.supp names the entry points).
constexpr const char *kThreads =
    VELLORA_SUPPRESSIONS("tsan.supp") ":ignore_noninstrumented_modules=1:print_suppressions=0";
#endif

// A setting the person running the test chose stays.
void HandOn(const char *variable, const char *value)
{
    ::setenv(variable, value, 0);
}

[[gnu::constructor]] void HandOnToChildren()
{
#if defined(__SANITIZE_ADDRESS__)
    HandOn("ASAN_OPTIONS", kAddress);
    HandOn("LSAN_OPTIONS", kLeaks);
    HandOn("UBSAN_OPTIONS", kUndefined);
#endif
#if defined(__SANITIZE_THREAD__)
    HandOn("TSAN_OPTIONS", kThreads);
#endif
}

} // namespace

extern "C" {
#if defined(__SANITIZE_ADDRESS__)
const char *__asan_default_options() { return kAddress; }
const char *__lsan_default_options() { return kLeaks; }
const char *__ubsan_default_options() { return kUndefined; }
#endif
#if defined(__SANITIZE_THREAD__)
const char *__tsan_default_options() { return kThreads; }
#endif
}
