#pragma once
// Runs zavtool in-process against an in-memory store and files.

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

class ZavtoolRunner {
  public:
    ZavtoolRun Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        ZavtoolRun run;
        run.status = zavtool::RunZavtool(args, out, err, registry, files);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    zav::platform::sim::MemoryRegistry registry;
    zav::platform::sim::MemoryFileSystem files;
};
