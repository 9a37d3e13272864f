// The storing half of the crash test: what KeyVoice's OK does, on a real SQLite store and real
// files, in a process of its own that the test kills at a random moment.
//
//   store_crash_child STORE.sqlite

#include <cstdio>
#include <span>

#include "crash_takes.h"
#include "keysound/config_store.h"
#include "keysound/recording_store.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/sqlite_registry.h"

namespace {

// The store's messages go to stderr: the test expects none.
class StderrBoxes : public zav::platform::MessageBoxes {
  public:
    zav::platform::MessageAnswer Show(std::string_view text, std::string_view,
                                      zav::platform::MessageStyle) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
        return zav::platform::MessageAnswer::Ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: store_crash_child STORE.sqlite\n");
        return 2;
    }
    zav::platform::SqliteRegistry registry(argv[1]);
    zav::platform::PosixFileSystem files;
    StderrBoxes boxes;
    keyvoice::KeyVoiceAnalysers analysers;
    const keyvoice::ConfigStore config(registry);
    keyvoice::RecordingStore store(config, files, boxes, analysers);
    const std::vector<keyvoice::RecordableSlotState> slots = store_crash::NewTakes();
    store.StoreNewRecordings(
        std::span<const keyvoice::RecordableSlotState, keyvoice::kRecordableSlotCount>(
            slots.data(), keyvoice::kRecordableSlotCount));
    return 0;
}
