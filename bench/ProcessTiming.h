#pragma once

// The time a whole process takes, for the figures measured as a person or a script meets them.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// The seconds from the spawn of `program` (looked up on the PATH) with `arguments` (its argv,
// argv[0] included) to its end, or -1 when it could not start or did not exit with 0. Its
// standard output goes to `output` when one is named; its peak resident memory in megabytes
// (VmHWM, of the process and what it waited for) to `peakMegabytes` when one is given.
inline double secondsToRun(const std::string &program, std::vector<std::string> arguments,
                           const std::string &output = {}, double *peakMegabytes = nullptr)
{
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t redirect;
    posix_spawn_file_actions_init(&redirect);
    if (!output.empty())
        posix_spawn_file_actions_addopen(&redirect, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program.c_str(), &redirect, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&redirect);
    if (spawned != 0)
        return -1;
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    if (peakMegabytes)
        *peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
