#pragma once
// An in-memory registry store whose n-th change (a set, a delete, or one change of a batch)
// fails once, as a store that loses its disk for a moment would: the failing call changes
// nothing and every later call works again. This lets a fuzz target break an import at any
// point of its writes. The in-memory store has the switch itself (FailChange).
//
// Thread: one thread.

#include "platform/testing/memory_registry.h"

namespace zav::fuzz {

using FlakyRegistry = platform::sim::MemoryRegistry;

}  // namespace zav::fuzz
