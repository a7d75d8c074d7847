#include "mkpackage/RunTool.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mkpackage {

namespace {

// Both ends of a pipe, closed when it goes out of scope.
struct Pipe {
    int ends[2] = {-1, -1};
    ~Pipe() {
        for (int end : ends)
            if (end >= 0) close(end);
    }
    void Close(int which) {
        close(ends[which]);
        ends[which] = -1;
    }
};

}  // namespace

bool RunTool(const std::vector<std::string>& arguments, const std::string& input, std::string* output,
             int* exitCode, std::string* error) {
    Pipe in;
    Pipe out;
    if (pipe(in.ends) != 0 || pipe(out.ends) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        *error = std::string("cannot start ") + arguments[0] + ": " + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        dup2(in.ends[0], 0);
        dup2(out.ends[1], 1);
        dup2(out.ends[1], 2);
        for (int end : {in.ends[0], in.ends[1], out.ends[0], out.ends[1]}) close(end);
        execvp(argv[0], argv.data());
        // The parent tells this exit code apart by the text.
        const char failed[] = "mkpackage: cannot run the program\n";
        (void)!write(2, failed, sizeof(failed) - 1);
        _exit(127);
    }
    in.Close(0);
    out.Close(1);
    // The input is a password or nothing: far less than a pipe holds, so it never blocks.
    (void)!write(in.ends[1], input.data(), input.size());
    in.Close(1);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(out.ends[0], buffer, sizeof(buffer))) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && text.find("mkpackage: cannot run") != std::string::npos) {
        *error = "cannot run " + arguments[0] + " (is it installed?)";
        return false;
    }
    *output = text;
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

}  // namespace mkpackage
