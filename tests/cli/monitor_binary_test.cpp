// rv720 monitor as a production line runs it: reports on stdout until the process
// is interrupted, which ends it as a success.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace rv720 {
namespace {

using namespace rv720::test;

TEST(MonitorBinary, InterruptEndsTheReportsWithSuccess) {
    TempFolder folder;
    const std::string eeprom = folder.file("eeprom.bin");
    for (int sig : {SIGINT, SIGTERM}) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::freopen("/dev/null", "w", stderr);
            ::execl(RV720_BIN, RV720_BIN, "monitor", "--device", "simulator", "--eeprom",
                    eeprom.c_str(), "--set-input", "in2=on", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        // The first report comes as soon as both states are in. The alarm only keeps
        // a broken tool from hanging the suite: it interrupts the read.
        struct sigaction wake {};
        wake.sa_handler = [](int) {};
        ::sigaction(SIGALRM, &wake, nullptr);
        ::alarm(60);
        std::string first;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            first += c;
        ::alarm(0);
        ::kill(pid, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ::close(out[0]);
        EXPECT_TRUE(WIFEXITED(status)) << "signal " << sig << " handled, not fatal";
        EXPECT_EQ(WEXITSTATUS(status), 0) << sig;
        EXPECT_NE(first.find(" in1=0 in2=1 in3=0"), std::string::npos) << first;
    }
}

}  // namespace
}  // namespace rv720
