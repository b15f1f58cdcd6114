#pragma once

#include <string>
#include <vector>

// Runs the built scene2java as a separate process.
struct process_result {
    int status = -1; // exit status, or -1 when it did not exit normally
    int signal = 0;  // the signal that ended it, if one did
    std::string out; // what it wrote to standard output
    std::string err; // what it wrote to standard error
};

// Standard input comes from `input_path`; standard output goes to
// `output_path` when one is given, else it is captured.
process_result run_scene2java(const std::string& input_path, const std::vector<std::string>& args = {},
                              const std::string& output_path = {});

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& data);

// A fresh file name in the test's temporary folder.
std::string temporary_path(const std::string& name);
