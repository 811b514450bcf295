#include "settings/file_types.h"

#include "platform/files.h"
#include "platform/registry.h"

namespace vl {

namespace {

const uint32_t kTextBuffer = 520;

// ".ext" for "ext" or ".ext"; empty when the name would reach into another key.
std::wstring ExtensionKey(const std::wstring& extension) {
    if (extension.find(L'\\') != std::wstring::npos) return std::wstring();
    return (!extension.empty() && extension[0] == L'.') ? extension : L"." + extension;
}

std::wstring ReadText(const RegKey& key, const std::wstring& name, uint32_t buffer = kTextBuffer) {
    std::wstring text;
    if (!key.QueryString(name, text, buffer)) text.clear();
    return text;
}

}  // namespace

bool IsFileTypeRegistered(const std::wstring& extension, const std::wstring& className) {
    std::wstring keyName = ExtensionKey(extension);
    RegKey key;
    if (keyName.empty() || !key.Open(HKEY_CLASSES_ROOT, keyName)) return false;
    return ReadText(key, L"") == className;
}

bool RegisterFileType(const std::wstring& extension, const std::wstring& className,
                      const std::wstring& description, int iconIndex) {
    std::wstring module = GetExecutablePath();
    std::wstring keyName = ExtensionKey(extension);
    if (keyName.empty()) return false;

    RegKey classKey;
    if (!classKey.Create(HKEY_CLASSES_ROOT, className)) return false;
    classKey.SetString(L"", description);
    RegKey sub;
    if (sub.Create(classKey, L"DefaultIcon")) sub.SetString(L"", module + L",-" + std::to_wstring(iconIndex));
    sub.Close();
    if (sub.Create(classKey, L"Shell\\Open\\Command")) sub.SetString(L"", L"\"" + module + L"\" \"%1\"");
    sub.Close();
    classKey.Close();

    RegKey key;
    if (!key.Create(HKEY_CLASSES_ROOT, keyName)) return false;
    // The previous owner is kept whole, whatever its length, so unregistering gives it back.
    std::wstring previous = ReadText(key, L"", 1u << 20);
    if (previous != className) key.SetString(kBackupValueName, previous);
    key.SetString(L"", className);
    return key.Close();
}

bool UnregisterFileType(const std::wstring& extension, const std::wstring& className) {
    std::wstring keyName = ExtensionKey(extension);
    RegKey key;
    if (keyName.empty() || !key.Open(HKEY_CLASSES_ROOT, keyName)) return false;
    std::wstring backup = ReadText(key, kBackupValueName, 1u << 20);
    std::wstring current = ReadText(key, L"");
    if (current == className) key.SetString(L"", backup);
    key.DeleteValue(kBackupValueName);
    return key.Close();
}

}  // namespace vl
