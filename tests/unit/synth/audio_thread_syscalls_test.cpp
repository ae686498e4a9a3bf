// The audio thread makes no system call, the editor open or not: a seccomp
// filter on that thread alone traps every system call while it renders.
#include <gtest/gtest.h>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <thread>

#include "editor/quaxel2_editor.h"
#include "plugin_fixture.h"

#include "tests/support/offscreen_editor.h"

namespace {

[[maybe_unused]] const bool offscreen = useOffscreenEditor();

std::atomic<bool> measuring{false};
std::atomic<int> trapped{0};
std::atomic<int> firstTrapped{-1};

void onSystemCall(int, siginfo_t* info, void*) {
    if (!measuring.load()) return;
    trapped.fetch_add(1);
    int none = -1;
    firstTrapped.compare_exchange_strong(none, info->si_syscall);
}

#define ALLOW(name) BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_##name, 0, 1), BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)

// Traps every system call of the calling thread but those its own ending needs.
bool trapSystemCallsOfThisThread() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        ALLOW(exit), ALLOW(exit_group), ALLOW(rt_sigreturn), ALLOW(rt_sigprocmask), ALLOW(madvise), ALLOW(munmap),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

// Sanitizer runtimes make system calls of their own (shadow memory, fake
// stacks) on any thread: the plain build is the one that shows ours.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(AudioThread, MakesNoSystemCallWithTheEditorOpen) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer runtime makes system calls of its own";
    PluginFixture f(128);
    f.addInstrument(constant(20000, 0.5f));
    f.plugin->getDelay().setActive(true);
    f.plugin->getEditorBridge()->open(nullptr);  // starts the editor program and the poll
    std::vector<float> left(128), right(128);
    float* outputs[2] = {left.data(), right.data()};
    MidiEvents events;
    events.add(0x90, 60, 100, 3).add(0xE0, 0, 70, 9).add(0x80, 60, 0, 90).add(0xB0, 1, 64, 100);
    VstEvents* list = events.list();  // made before the filter: it allocates

    struct sigaction action {};
    action.sa_sigaction = onSystemCall;
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGSYS, &action, nullptr);
    bool filtered = false;
    std::thread audio([&] {
        // The thread's own memory arena is made now: its ending frees memory.
        static void* volatile warm;
        warm = std::malloc(64);
        std::free(warm);
        filtered = trapSystemCallsOfThisThread();
        if (!filtered) return;
        measuring = true;
        for (int block = 0; block < 400; block++) {
            f.plugin->processEvents(list);                 // echoed to the editor program
            f.plugin->setParameter(block % 512, 0.5f);      // hosts set parameters here too
            f.plugin->processReplacing(nullptr, outputs, 128);
        }
        measuring = false;
    });
    audio.join();
    if (!filtered) GTEST_SKIP() << "this machine refuses seccomp filters";
    EXPECT_EQ(trapped.load(), 0) << "first system call: " << firstTrapped.load();
}

}  // namespace
