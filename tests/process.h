#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// How a program ended.
struct exit_state {
    int status = -1; // exit status, or -1 when it did not exit normally
    int signal = 0;  // the signal that ended it, if one did
};

// The descriptors a child gets as its standard input, output and error;
// -1 leaves that one closed. The caller keeps and closes its own copies.
struct child_io {
    int in = -1;
    int out = -1;
    int err = -1;
};

// Starts `argv` (the program's path first) with the given descriptors,
// SIGPIPE at its default action and, when `address_space` is not 0, that
// many bytes of address space at most. Throws when it cannot be started.
pid_t start_program(const std::vector<std::string>& argv, child_io io, unsigned long address_space = 0);

// Waits for a child that start_program started.
exit_state wait_program(pid_t child);

// A run of the built scene2java.
struct process_result : exit_state {
    std::string out; // what it wrote to standard output
    std::string err; // what it wrote to standard error
};

// Runs `argv` with standard input from `input_path`, standard output to
// `output_path` when one is given, else captured, and standard error
// captured.
process_result run_captured(const std::vector<std::string>& argv, const std::string& input_path,
                            const std::string& output_path = {});

// The same for the built scene2java.
process_result run_scene2java(const std::string& input_path, const std::vector<std::string>& args = {},
                              const std::string& output_path = {});

// Opens `path` with `flags` (and mode 0600 when it is created); throws when
// it cannot.
int open_checked(const std::string& path, int flags);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& data);

// A fresh file name in the test's temporary folder.
std::string temporary_path(const std::string& name);
