#ifndef TN_TESTS_TOOLS_TOOLRUN_H
#define TN_TESTS_TOOLS_TOOLRUN_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/Support.h"

// What a program the tests ran left behind: its exit status (128 + the signal when one ended
// it, -1 when it had to be killed for taking too long), standard output and standard error.
struct ToolRun {
    int status = -1;
    std::string out, err;

    static ToolRun of(const std::string& program, const std::vector<std::string>& args, int timeoutMs = 30000) {
        ToolRun r;
        int outp[2], errp[2];
        if (pipe(outp) != 0 || pipe(errp) != 0) return r;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(outp[1], 1);
            dup2(errp[1], 2);
            close(outp[0]);
            close(errp[0]);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(outp[1]);
        close(errp[1]);
        pollfd fds[2] = {{outp[0], POLLIN, 0}, {errp[0], POLLIN, 0}};
        std::string* sinks[2] = {&r.out, &r.err};
        int open = 2;
        bool killed = false;
        // Quiet spells add up to the time-out; the tools' output is small.
        for (int quiet = 0; open > 0;) {
            if (quiet > timeoutMs) {
                kill(pid, SIGKILL);
                killed = true;
                break;
            }
            if (::poll(fds, 2, 100) <= 0) {
                quiet += 100;
                continue;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, got);
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        for (pollfd& f : fds)
            if (f.fd >= 0) close(f.fd);
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = killed ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return r;
    }

    static ToolRun tnmsg(const std::vector<std::string>& args, int timeoutMs = 30000) {
        return of(support::buildDir() + "/tnmsg", args, timeoutMs);
    }
};

#endif
