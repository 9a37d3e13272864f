#pragma once
// Runs zavtool in-process against an in-memory store and files.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "tools/zavtool/zavtool.h"

struct ZavtoolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs body(out, err) and keeps its status and what it wrote.
template <typename Body>
ZavtoolRun CaptureRun(Body body) {
    std::ostringstream out, err;
    ZavtoolRun run;
    run.status = static_cast<int>(body(out, err));
    run.out = out.str();
    run.err = err.str();
    return run;
}

// A failure as every command reports one: the status and one line on stderr, "zavtool: ..."
// holding part.
inline void ExpectOneErrorLine(const ZavtoolRun& run, int status, std::string_view part) {
    EXPECT_EQ(run.status, status);
    EXPECT_TRUE(run.err.starts_with("zavtool: ")) << run.err;
    EXPECT_EQ(std::ranges::count(run.err, '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
}

class ZavtoolRunner {
  public:
    ZavtoolRun Run(std::vector<std::string> args) {
        return CaptureRun([&](std::ostream& out, std::ostream& err) {
            return zavtool::RunZavtool(args, out, err, registry, files);
        });
    }

    zav::platform::sim::MemoryRegistry registry;
    zav::platform::sim::MemoryFileSystem files;
};
