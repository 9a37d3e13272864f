#pragma once
// The store on the host's own registry. Keys and values are those the host product reads: the
// product is a 32-bit program, so under HKEY_LOCAL_MACHINE\Software a 64-bit Windows shows it
// the 32-bit view, and every key here is opened in that view (KEY_WOW64_32KEY), whichever
// width this program was built for. Values go through the ANSI calls, so a string value keeps
// the bytes it was given, as the host product writes and reads them.
//
// Thread: any; each call opens and closes its own key handles.

#include <mutex>
#include <string>

#include "platform/registry/registry.h"

namespace zav::platform::win32 {

class Win32Registry final : public RegistryStore {
  public:
    std::string LastError() const override;

  protected:
    RegResult CheckAccess(Hive hive, std::string_view path, Access access) override;
    RegResult KeyExists(Hive hive, std::string_view path) override;
    RegResult CreateKeyPath(Hive hive, std::string_view path) override;
    RegResult QueryValue(Hive hive, std::string_view path, std::string_view name,
                         RegistryValue& value) override;
    RegResult SetValue(Hive hive, std::string_view path, std::string_view name, ValueType type,
                       std::span<const std::uint8_t> data) override;
    RegResult DeleteValue(Hive hive, std::string_view path, std::string_view name) override;
    RegResult ListValues(Hive hive, std::string_view path,
                         std::vector<NamedValue>& values) override;
    // The registry has no transactions here: the changes are made one by one, and after a
    // failure the key's earlier values are put back (LastError says when that failed too).
    RegResult ApplyChanges(Hive hive, std::string_view path, std::span<const ValueChange> changes,
                           std::size_t& deleted) override;

  private:
    RegResult Fail(long code, std::string_view what, std::string_view path);

    mutable std::mutex errorLock_;
    std::string lastError_;
};

}  // namespace zav::platform::win32
