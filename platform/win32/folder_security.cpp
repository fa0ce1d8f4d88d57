// The log folder's own access: made, read and reset through SDDL strings (advapi32 of
// Windows 2000 on), so that the program decides on plain text.
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/files.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {
namespace {

using Descriptor = ScopedHandle<LocalTraits<void>>;

Descriptor MakeDescriptor(const std::u16string& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(sddl), SDDL_REVISION_1, &descriptor,
                                                         nullptr);
  return Descriptor(descriptor);
}

}  // namespace

std::uint32_t Win32Files::CreateFolder(const std::u16string& path, const std::u16string& sddl) {
  const Descriptor descriptor = MakeDescriptor(sddl);
  if (!descriptor) return ::GetLastError();
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
  return ::CreateDirectoryW(Wide(path), &attributes) ? ERROR_SUCCESS : ::GetLastError();
}

std::uint32_t Win32Files::ReadSecurity(const std::u16string& path, std::u16string& sddl) {
  constexpr SECURITY_INFORMATION kParts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR read = nullptr;
  const DWORD error = ::GetNamedSecurityInfoW(Wide(path), SE_FILE_OBJECT, kParts, nullptr, nullptr,
                                              nullptr, nullptr, &read);
  if (error != ERROR_SUCCESS) return error;
  const Descriptor descriptor(read);
  wchar_t* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(read, SDDL_REVISION_1, kParts, &text,
                                                              nullptr)) {
    return ::GetLastError();
  }
  sddl = FromWide(text);
  ::LocalFree(text);
  return ERROR_SUCCESS;
}

std::uint32_t Win32Files::WriteSecurity(const std::u16string& path, const std::u16string& sddl) {
  const Descriptor descriptor = MakeDescriptor(sddl);
  if (!descriptor) return ::GetLastError();
  // The converter makes a self-relative descriptor: its parts lie at offsets from its start.
  auto* const start = static_cast<BYTE*>(descriptor.Get());
  const auto* const relative = reinterpret_cast<SECURITY_DESCRIPTOR_RELATIVE*>(start);
  std::u16string name = path;
  // Unlike SetFileSecurityW, it passes the new entries on to what the folder holds.
  return ::SetNamedSecurityInfoW(
      Wide(name), SE_FILE_OBJECT,
      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      start + relative->Owner, nullptr, reinterpret_cast<PACL>(start + relative->Dacl), nullptr);
}

}  // namespace setup::win32
