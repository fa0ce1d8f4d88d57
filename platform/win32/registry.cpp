// The machine's registry: one REG_MULTI_SZ value read and written whole.
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {
namespace {

struct RegistryTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { ::RegCloseKey(value); }
};
using RegistryKey = ScopedHandle<RegistryTraits>;

}  // namespace

// No view flag: a 32-bit program gets the 32-bit view by itself, also on Windows 2000,
// which knows no KEY_WOW64_32KEY.
std::uint32_t Win32System::ReadMachineStrings(const std::u16string& key, const std::u16string& name,
                                              std::vector<std::u16string>& strings) {
  HKEY opened = nullptr;
  LONG error = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(key), 0, KEY_QUERY_VALUE, &opened);
  if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
  const RegistryKey held(opened);
  DWORD type = 0, size = 0;
  error = ::RegQueryValueExW(opened, Wide(name), nullptr, &type, nullptr, &size);
  if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
  if (type != REG_MULTI_SZ) return ERROR_INVALID_DATA;
  // Two units more than asked for: a value need not end with its terminators.
  std::u16string units(size / sizeof(char16_t) + 2, u'\0');
  error = ::RegQueryValueExW(opened, Wide(name), nullptr, &type,
                             reinterpret_cast<BYTE*>(units.data()), &size);
  if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
  if (type != REG_MULTI_SZ) return ERROR_INVALID_DATA;
  strings.clear();
  std::u16string text;
  for (std::size_t i = 0; i < size / sizeof(char16_t) + 1; ++i) {
    if (units[i] != u'\0') {
      text.push_back(units[i]);
    } else if (!text.empty()) {
      strings.push_back(std::move(text));
      text.clear();
    }
  }
  return ERROR_SUCCESS;
}

std::uint32_t Win32System::WriteMachineStrings(const std::u16string& key,
                                               const std::u16string& name,
                                               const std::vector<std::u16string>& strings) {
  HKEY created = nullptr;
  const LONG error =
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(key), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &created, nullptr);
  if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
  const RegistryKey held(created);
  std::u16string units;
  for (const std::u16string& text : strings) units.append(text).push_back(u'\0');
  units.push_back(u'\0');
  return static_cast<std::uint32_t>(::RegSetValueExW(
      created, Wide(name), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(units.data()),
      static_cast<DWORD>(units.size() * sizeof(char16_t))));
}

}  // namespace setup::win32
