#ifndef TN_TESTS_SYSTEM_VNDPROCESS_H
#define TN_TESTS_SYSTEM_VNDPROCESS_H

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "protocol/TnMessage.h"
#include "support/Support.h"

// vnd started from the build in its own session (its pool signals its whole process group)
// and, unless told otherwise, in a fresh loopback network of the private system, so that the
// connections a previous daemon left in TIME_WAIT do not hold port 50005. Output is captured.
// The object kills the whole group when it goes. Every wait is bounded (milliseconds).
class VndProcess {
public:
    static constexpr int kPort = 50005;

    explicit VndProcess(const std::vector<std::string>& args = {}, bool freshNetwork = true);
    ~VndProcess();
    VndProcess(const VndProcess&) = delete;
    VndProcess& operator=(const VndProcess&) = delete;

    // Why the daemon could not be started; empty when it was.
    const std::string& failure() const { return failure_; }
    pid_t pid() const { return pid_; }
    std::string output() const { return support::readFile(out_.file("output")); }
    // The parent's live children (zombies left out).
    std::vector<pid_t> children() const;
    bool waitChildren(size_t n, int ms) const;
    bool waitOutput(const std::string& text, int ms) const;
    // The exit status (128 + the signal when one ended it), or -1 when still running.
    int waitExit(int ms);
    // Whether the daemon's process group is empty (zombies count as gone).
    bool waitGroupGone(int ms) const;
    bool alive() const;

private:
    std::string failure_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    support::TempDir out_;
};

// Every test starts its own daemon; without the private system there is none to start.
class VndSystem : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The daemon started and forked its quiet pool of 10.
    static void started(VndProcess& vnd);
};

// What became of one request: the daemon answers nothing, so a request is served when the
// daemon read it and closed the connection.
enum class Outcome { kServed, kAnswered, kNoConnection, kNotSent, kTimedOut, kReset };
struct Result {
    Outcome outcome;
    int tag;  // the answer's tag
};
Result request(const TnMessage& message, int timeout = 30000);

int dial();  // a raw TCP socket connected to 127.0.0.1:50005, or -1
std::string tcpframe(const TnMessage& message);
// Whether the daemon ends the stream on fd (end of stream or reset) within ms.
bool closedByPeer(int fd, int ms);
// The daemon process holding the accepted end of the connection on fd, or -1.
pid_t holder(pid_t group, int fd, int ms);
// The process group of a process, or -1 when it is gone or a zombie.
pid_t groupOf(pid_t pid);

#endif
