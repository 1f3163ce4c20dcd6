/* Claims files that begin with "CNT" and counts how many threads are inside IsSupported or
 * GetPicture at once; CountingMaximum() tells the most seen. Built twice: "serial" stays inside a
 * moment so that calls the host failed to serialise overlap; "parallel" (COUNTING_THREAD_SAFE)
 * exports RuvelaPluginThreadSafe and waits inside GetPicture until a second thread enters (or a
 * few seconds pass), so a host that serialised it anyway shows a maximum of 1. */
#include "TestPlugin.h"

#include <time.h>

static int inside;
static int maximum;

static void Enter(void) {
    int now = __atomic_add_fetch(&inside, 1, __ATOMIC_SEQ_CST);
    int seen = __atomic_load_n(&maximum, __ATOMIC_SEQ_CST);
    while (now > seen &&
           !__atomic_compare_exchange_n(&maximum, &seen, now, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
    }
}

static void Leave(void) {
    __atomic_sub_fetch(&inside, 1, __ATOMIC_SEQ_CST);
}

static void Pause(long nanoseconds) {
    struct timespec pause;
    pause.tv_sec = 0;
    pause.tv_nsec = nanoseconds;
    nanosleep(&pause, NULL);
}

SUSIE_EXPORT int CountingMaximum(void) {
    return __atomic_load_n(&maximum, __ATOMIC_SEQ_CST);
}

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", "Counting test plug-in", "*.cnt", "Count"};
    return TestInfo(items, 4, infono, buf, buflen);
}

#ifdef COUNTING_THREAD_SAFE
SUSIE_EXPORT int RuvelaPluginThreadSafe(void) {
    return 1;
}
#endif

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    int claimed;
    (void)filename;
    Enter();
    claimed = StartsWith(dw, "CNT");
    Leave();
    return claimed;
}

SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData) {
    int i;
    (void)buf;
    (void)len;
    (void)flag;
    (void)lpPrgressCallback;
    (void)lData;
    Enter();
#ifdef COUNTING_THREAD_SAFE
    for (i = 0; i < 5000 && __atomic_load_n(&maximum, __ATOMIC_SEQ_CST) < 2; ++i) {
        Pause(1000000);
    }
#else
    for (i = 0; i < 2; ++i) {
        Pause(500000);
    }
#endif
    Leave();
    return OnePixel(10, 20, 30, pHBInfo, pHBm);
}
