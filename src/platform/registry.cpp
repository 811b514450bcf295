#include "platform/registry.h"

#include <unistd.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/text.h"

namespace vl {

namespace {

const size_t kMaxFileBytes = 16u << 20;  // a settings file is a few kilobytes

}  // namespace

// ---- Registry ----

Registry& Registry::Get(RegRoot root) {
    // The user's settings hold the lyrics service pass: readable by the user alone.
    static Registry user(L"HKEY_CURRENT_USER.reg", L"HKEY_CURRENT_USER", 0600);
    static Registry classes(L"HKEY_CLASSES_ROOT.reg", L"HKEY_CLASSES_ROOT");
    return root == HKEY_CLASSES_ROOT ? classes : user;
}

Registry::Registry(const std::wstring& fileName, const std::wstring& title, unsigned fileMode)
    : fileName_(fileName), title_(title), fileMode_(fileMode), root_(std::make_unique<RegNode>()) {}

std::wstring Registry::FilePath() { return JoinPath(GetConfigDir(), fileName_); }

void Registry::EnsureLoaded() {
    std::wstring path = FilePath();
    if (path == loadedPath_) return;
    root_ = std::make_unique<RegNode>();
    dirty_ = false;
    damaged_ = false;
    loadedPath_ = path;
    std::string native = NativePath(path);
    if (access(native.c_str(), F_OK) != 0) return;  // first start
    std::string bytes;
    if (!ReadFileBytes(path, bytes, kMaxFileBytes + 1)) {
        damaged_ = true;
        std::fprintf(stderr,
                     "versolune: settings file %s cannot be read; defaults are used, and the file is "
                     "kept as %s.damaged when settings are next saved\n",
                     native.c_str(), native.c_str());
        return;
    }
    bool tooLarge = bytes.size() > kMaxFileBytes;
    if (tooLarge) bytes.resize(kMaxFileBytes);
    int firstBad = 0;
    std::string reason;
    int bad = ParseRegistryText(bytes, *root_, &firstBad, &reason);
    if (bad || tooLarge) {
        damaged_ = true;
        if (tooLarge && !bad) reason = "file too large", firstBad = 0;
        std::fprintf(stderr,
                     "versolune: settings file %s is damaged (%d line(s) ignored, first at line %d: %s); "
                     "the sound lines were read, and the file is kept as %s.damaged when settings are "
                     "next saved\n",
                     native.c_str(), bad, firstBad, reason.c_str(), native.c_str());
    }
}

RegNode* Registry::Find(const std::wstring& path) {
    std::vector<std::wstring> names;
    if (!SplitKeyPath(path, names)) return nullptr;
    return root_->FindKey(names);
}

RegNode* Registry::Make(const std::wstring& path) {
    std::vector<std::wstring> names;
    if (!SplitKeyPath(path, names)) return nullptr;
    RegNode* node = root_->FindKey(names);
    if (node) return node;
    dirty_ = true;
    return &root_->MakeKey(names);
}

bool Registry::KeyExists(const std::wstring& path) {
    Locked hold(lock_);
    EnsureLoaded();
    return Find(path) != nullptr;
}

bool Registry::CreateKey(const std::wstring& path) {
    Locked hold(lock_);
    EnsureLoaded();
    return Make(path) != nullptr;
}

bool Registry::DeleteKey(const std::wstring& path) {
    Locked hold(lock_);
    EnsureLoaded();
    std::vector<std::wstring> names;
    if (!SplitKeyPath(path, names) || names.empty()) return false;
    std::wstring last = names.back();
    names.pop_back();
    RegNode* parent = root_->FindKey(names);
    if (!parent || !parent->RemoveChild(last)) return false;
    dirty_ = true;
    Flush();
    return true;
}

bool Registry::QueryValue(const std::wstring& path, const std::wstring& name, uint32_t* type,
                          std::string* data) {
    Locked hold(lock_);
    EnsureLoaded();
    RegNode* node = Find(path);
    RegValue* v = node ? node->FindValue(name) : nullptr;
    if (!v) return false;
    if (type) *type = v->type;
    if (data) *data = v->data;
    return true;
}

bool Registry::SetValue(const std::wstring& path, const std::wstring& name, uint32_t type,
                        const std::string& data) {
    Locked hold(lock_);
    EnsureLoaded();
    if (!ValidValueName(name) || data.size() > kMaxRegValueBytes) return false;
    RegNode* node = Find(path);
    if (!node || node == root_.get()) return false;
    node->SetValue(name, type, data);
    dirty_ = true;
    return true;
}

bool Registry::DeleteValue(const std::wstring& path, const std::wstring& name) {
    Locked hold(lock_);
    EnsureLoaded();
    RegNode* node = Find(path);
    if (!node || !node->DeleteValue(name)) return false;
    dirty_ = true;
    return true;
}

bool Registry::EnumValue(const std::wstring& path, int index, std::wstring* name) {
    Locked hold(lock_);
    EnsureLoaded();
    RegNode* node = Find(path);
    if (!node || index < 0 || static_cast<size_t>(index) >= node->values.size()) return false;
    if (name) *name = node->values[static_cast<size_t>(index)].name;
    return true;
}

bool Registry::EnumKey(const std::wstring& path, int index, std::wstring* name) {
    Locked hold(lock_);
    EnsureLoaded();
    RegNode* node = Find(path);
    if (!node || index < 0 || static_cast<size_t>(index) >= node->children.size()) return false;
    auto it = node->children.begin();
    std::advance(it, index);
    if (name) *name = it->second->name;
    return true;
}

bool Registry::Flush() {
    Locked hold(lock_);
    EnsureLoaded();
    if (!dirty_) return true;
    if (damaged_) {
        // Keep what could not be read before it is replaced: a hard link holds the old file
        // even when it is unreadable; else a copy.
        std::string target = NativePath(loadedPath_);
        std::string keep = target + ".damaged";
        unlink(keep.c_str());
        if (access(target.c_str(), F_OK) == 0 && link(target.c_str(), keep.c_str()) != 0) {
            std::string old;
            if (ReadFileBytes(loadedPath_, old)) WriteFileAtomic(WidePath(keep), old, fileMode_);
        }
    }
    if (!WriteFileAtomic(loadedPath_, FormatRegistryText(*root_, title_), fileMode_)) return false;
    dirty_ = false;
    damaged_ = false;
    return true;
}

void Registry::Discard() {
    Locked hold(lock_);
    loadedPath_.clear();
    root_ = std::make_unique<RegNode>();
    dirty_ = false;
    damaged_ = false;
}

// ---- RegKey ----

namespace {
std::wstring JoinKeyPath(const std::wstring& parent, const std::wstring& sub) {
    if (parent.empty()) return sub;
    if (sub.empty()) return parent;
    return parent + L"\\" + sub;
}
}  // namespace

bool RegKey::Attach(Registry* registry, std::wstring path, bool create) {
    Close();
    if (!registry || !(create ? registry->CreateKey(path) : registry->KeyExists(path))) return false;
    registry_ = registry;
    path_ = std::move(path);
    changed_ = create;
    return true;
}

bool RegKey::Open(RegRoot root, const std::wstring& path) { return Attach(&Registry::Get(root), path, false); }
bool RegKey::Create(RegRoot root, const std::wstring& path) { return Attach(&Registry::Get(root), path, true); }
// The parent may be this handle itself, so its fields are copied before anything closes.
bool RegKey::Open(const RegKey& parent, const std::wstring& subPath) {
    return Attach(parent.registry_, JoinKeyPath(parent.path_, subPath), false);
}
bool RegKey::Create(const RegKey& parent, const std::wstring& subPath) {
    return Attach(parent.registry_, JoinKeyPath(parent.path_, subPath), true);
}

bool RegKey::Close() {
    bool ok = true;
    if (registry_ && changed_) ok = registry_->Flush();
    registry_ = nullptr;
    path_.clear();
    changed_ = false;
    return ok;
}

bool RegKey::QueryValue(const std::wstring& name, uint32_t* type, void* data, uint32_t* size) const {
    if (!registry_ || (data && !size)) return false;
    uint32_t t = REG_NONE;
    std::string bytes;
    if (!registry_->QueryValue(path_, name, &t, &bytes)) return false;
    if (type) *type = t;
    if (!size) return true;
    uint32_t needed = static_cast<uint32_t>(bytes.size());
    if (data && *size < needed) {
        *size = needed;
        return false;
    }
    if (data && needed) std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
    *size = needed;
    return true;
}

bool RegKey::SetValue(const std::wstring& name, uint32_t type, const void* data, uint32_t size) {
    if (!registry_ || (size && !data)) return false;
    std::string bytes(static_cast<const char*>(data), size);
    if (!registry_->SetValue(path_, name, type, bytes)) return false;
    changed_ = true;
    return true;
}

bool RegKey::DeleteValue(const std::wstring& name) {
    if (!registry_ || !registry_->DeleteValue(path_, name)) return false;
    changed_ = true;
    return true;
}

bool RegKey::EnumValue(int index, std::wstring* name) const {
    return registry_ && registry_->EnumValue(path_, index, name);
}

bool RegKey::EnumKey(int index, std::wstring* name) const {
    return registry_ && registry_->EnumKey(path_, index, name);
}

bool RegKey::QueryDword(const std::wstring& name, int32_t& value, bool requireDword) const {
    uint8_t buf[4];
    uint32_t size = sizeof(buf);
    uint32_t type = REG_NONE;
    if (!QueryValue(name, &type, buf, &size) || size != 4) return false;
    if (requireDword && type != REG_DWORD) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(buf[0]) | (static_cast<uint32_t>(buf[1]) << 8) |
                                 (static_cast<uint32_t>(buf[2]) << 16) | (static_cast<uint32_t>(buf[3]) << 24));
    return true;
}

bool RegKey::QueryString(const std::wstring& name, std::wstring& value, uint32_t bufferBytes) const {
    std::string bytes;
    if (!registry_ || !registry_->QueryValue(path_, name, nullptr, &bytes)) return false;
    // Counted in characters, so a path with characters outside the BMP has the same limit.
    std::wstring all = Utf16LeToWide(bytes);
    size_t zero = all.find(L'\0');
    size_t needed = all.size() + (zero == std::wstring::npos ? 1 : 0);
    if (needed > bufferBytes / 2) return false;
    value = zero == std::wstring::npos ? all : all.substr(0, zero);
    return true;
}

bool RegKey::SetDword(const std::wstring& name, int32_t value) {
    uint32_t u = static_cast<uint32_t>(value);
    uint8_t buf[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                      static_cast<uint8_t>(u >> 24)};
    return SetValue(name, REG_DWORD, buf, 4);
}

bool RegKey::SetString(const std::wstring& name, const std::wstring& value) {
    std::string bytes = ToRegSz(value);
    return SetValue(name, REG_SZ, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool RegDeleteKey(RegRoot root, const std::wstring& path) { return Registry::Get(root).DeleteKey(path); }

}  // namespace vl
