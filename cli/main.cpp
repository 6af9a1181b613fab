// tindral-render: escape-time pictures from the command line, for batch work
// and scripts.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/progress.h"
#include "cli/render.h"
#include "tindral_version.h"

#if !defined(_WIN32)
#include <signal.h>
#include <unistd.h>
#endif

namespace {

// What an interrupt has to undo, kept where a signal handler may read it:
// everything the handler touches is set up before the state says so.
enum State : int { kNothingOpen, kTemporary, kDirect, kFinishing };
volatile std::sig_atomic_t g_state = kNothingOpen;
volatile std::sig_atomic_t g_barShown = 0;
volatile std::sig_atomic_t g_signal = 0;
std::string g_temporary;
std::string g_unchangedMessage, g_partMessage;

extern "C" void OnInterrupt(int sig) {
#if defined(_WIN32)
    // Windows runs this on a thread of its own while the render goes on: the
    // render stops at its next step and removes its temporary file itself.
    g_signal = sig;
#else
    // Everything here is safe in a handler: unlink, write, _exit.
    if (g_state == kFinishing) {
        g_signal = sig;
        return;
    }
    if (g_state == kTemporary) unlink(g_temporary.c_str());
    if (g_barShown) (void)!write(2, "\n", 1);
    const std::string& message = g_state == kDirect ? g_partMessage : g_unchangedMessage;
    (void)!write(2, message.data(), message.size());
    _exit(128 + sig);
#endif
}

// Every signal that ends a process by default and can be caught is answered
// alike, except SIGPIPE and SIGXFSZ, which are ignored: a FIFO whose reader
// has gone, or a file past the size limit, then fails its write with a
// message. The signals a fault raises are left as they are.
void CatchEndingSignals() {
#if defined(_WIN32)
    for (int sig : {SIGINT, SIGTERM, SIGBREAK}) std::signal(sig, OnInterrupt);
#else
    std::vector<int> ending = {SIGHUP,  SIGINT,  SIGQUIT,   SIGTERM, SIGUSR1,
                               SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};
#if defined(SIGPOLL)
    ending.push_back(SIGPOLL);
#endif
#if defined(SIGPWR)
    ending.push_back(SIGPWR);
#endif
#if defined(SIGSTKFLT)
    ending.push_back(SIGSTKFLT);
#endif
#if defined(SIGRTMIN)
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) ending.push_back(sig);
#endif
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : ending) sigaddset(&action.sa_mask, sig);
    for (int sig : ending) {
        // A signal ignored from the start stays ignored: nohup and a
        // shell's background jobs ask for that.
        struct sigaction before {};
        if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
    for (int sig : {SIGPIPE, SIGXFSZ}) std::signal(sig, SIG_IGN);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    switch (parsed.action) {
        case ParsedCommandLine::Action::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case ParsedCommandLine::Action::Version:
            std::puts("tindral-render " TINDRAL_VERSION);
            return 0;
        case ParsedCommandLine::Action::Fail:
            std::fprintf(stderr, "tindral-render: %s\n", parsed.error.c_str());
            return 2;
        case ParsedCommandLine::Action::Render:
            break;
    }
    const std::string& output = parsed.options.output;
    const std::string shown = OneLine(output);
    g_unchangedMessage = "tindral-render: interrupted; " + shown + " left unchanged\n";
    g_partMessage = "tindral-render: interrupted; " + shown + " was written in part\n";
    CatchEndingSignals();

    CProgressBar bar(stderr, CProgressBar::IsTerminal(stderr));
    RenderHooks hooks;
    hooks.progress = [&bar](double done) {
        bar.Update(done);
        g_barShown = bar.Shown();
        return g_signal == 0;
    };
    bool direct = false;
    hooks.opened = [&direct](const CReplacingFile& file) {
        direct = file.WritesDirectly();
        g_temporary = file.GetFilePath();
        g_state = file.WritesDirectly() ? kDirect : kTemporary;
    };
    hooks.waiting = [](const std::string& notice) {
        std::fprintf(stderr, "tindral-render: %s\n", OneLine(notice).c_str());
    };
    hooks.committing = [] {
        g_state = kFinishing;
        return g_signal == 0;
    };
    // Noise is seeded from the time in whole seconds, as in the program,
    // unless a seed is given.
    std::string error;
    const unsigned seed = parsed.options.given.seed ? parsed.options.seed : static_cast<unsigned>(std::time(nullptr));
    const bool rendered = RenderToFile(parsed.options, seed, &error, hooks);
    g_state = kFinishing;
    bar.Finish();
    if (g_signal != 0) {
        std::fprintf(stderr, "tindral-render: interrupted; %s %s\n", shown.c_str(),
                     rendered ? "was written"
                     : direct ? "was written in part"
                              : "left unchanged");
        return 128 + g_signal;
    }
    if (!rendered) {
        std::fprintf(stderr, "tindral-render: %s\n", OneLine(error).c_str());
        return 1;
    }
    return 0;
}
