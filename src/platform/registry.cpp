#include "platform/registry.h"

#include <unistd.h>

#include <cstdio>
#include <cwctype>

#include "platform/files.h"
#include "platform/text.h"

namespace vl {

namespace {

const size_t kMaxFileBytes = 16u << 20;    // a settings file is a few kilobytes
const size_t kMaxValueBytes = 1u << 20;
const size_t kMaxKeyName = 255;
const size_t kMaxValueName = 16383;

std::wstring Fold(const std::wstring& s) {
    std::wstring out(s);
    for (auto& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

bool IsScalar(uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Strict UTF-8: no overlong forms, no surrogates, no NUL.
bool DecodeUtf8(const char* p, size_t n, std::wstring& out) {
    out.clear();
    const auto* s = reinterpret_cast<const uint8_t*>(p);
    size_t i = 0;
    while (i < n) {
        uint32_t c = s[i];
        size_t len;
        uint32_t min;
        if (c == 0) return false;
        if (c < 0x80) { len = 1; min = 0; }
        else if ((c & 0xE0) == 0xC0) { len = 2; c &= 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { len = 3; c &= 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { len = 4; c &= 0x07; min = 0x10000; }
        else return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (s[i + k] & 0x3F);
        }
        if (c < min || !IsScalar(c)) return false;
        out.push_back(static_cast<wchar_t>(c));
        i += len;
    }
    return true;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Splits a key path into names; false for an empty name, a name too long or with control
// characters. An empty path is the root.
bool SplitPath(const std::wstring& path, std::vector<std::wstring>& names) {
    names.clear();
    if (path.empty()) return true;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(L'\\', start);
        std::wstring name = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (name.empty() || name.size() > kMaxKeyName) return false;
        for (wchar_t c : name)
            if (c < 0x20 || c == 0x7F || !IsScalar(static_cast<uint32_t>(c))) return false;
        names.push_back(name);
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

bool ValidValueName(const std::wstring& name) {
    if (name.size() > kMaxValueName) return false;
    for (wchar_t c : name)
        if (c == 0 || !IsScalar(static_cast<uint32_t>(c))) return false;
    return true;
}

// ---- text form ----

void AppendQuoted(std::string& out, const std::wstring& text) {
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (wchar_t wc : text) {
        uint32_t c = static_cast<uint32_t>(wc);
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out.push_back(kHex[c >> 4]);
                    out.push_back(kHex[c & 15]);
                } else {
                    AppendUtf8(out, c);
                }
        }
    }
    out.push_back('"');
}

// True when bytes are a terminated UTF-16 text with no other zero and no broken surrogate.
bool IsCleanText(const std::string& bytes, std::wstring& text) {
    if (bytes.size() < 2 || bytes.size() % 2 || bytes[bytes.size() - 1] || bytes[bytes.size() - 2])
        return false;
    bool clean = false;
    text = Utf16LeToWide(bytes.substr(0, bytes.size() - 2), &clean);
    return clean && text.find(L'\0') == std::wstring::npos;
}

void AppendValue(std::string& out, const RegValue& v) {
    static const char kHex[] = "0123456789abcdef";
    if (v.name.empty()) out.push_back('@');
    else AppendQuoted(out, v.name);
    out.push_back('=');
    std::wstring text;
    if (v.type == REG_DWORD && v.data.size() == 4) {
        uint32_t d = 0;
        for (int i = 3; i >= 0; --i) d = (d << 8) | static_cast<uint8_t>(v.data[i]);
        char buf[20];
        std::snprintf(buf, sizeof(buf), "dword:%08x", d);
        out += buf;
    } else if (v.type == REG_SZ && IsCleanText(v.data, text)) {
        AppendQuoted(out, text);
    } else {
        if (v.type == REG_BINARY) {
            out += "hex:";
        } else {
            char buf[24];
            std::snprintf(buf, sizeof(buf), "hex(%x):", v.type);
            out += buf;
        }
        for (size_t i = 0; i < v.data.size(); ++i) {
            if (i) out.push_back(',');
            uint8_t b = static_cast<uint8_t>(v.data[i]);
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    out.push_back('\n');
}

void AppendNode(std::string& out, const RegNode& node, const std::wstring& path) {
    if (!path.empty() && (!node.values.empty() || node.children.empty())) {
        std::wstring header = L"[" + path + L"]";
        std::string line;
        for (wchar_t c : header) AppendUtf8(line, static_cast<uint32_t>(c));
        out += line;
        out.push_back('\n');
        for (const auto& v : node.values) AppendValue(out, v);
        out.push_back('\n');
    }
    for (const auto& child : node.children)
        AppendNode(out, *child.second, path.empty() ? child.second->name : path + L"\\" + child.second->name);
}

// A quoted text at line[pos] (which is '"'); pos ends after the closing quote.
bool ParseQuoted(const std::wstring& line, size_t& pos, std::wstring& out) {
    out.clear();
    if (pos >= line.size() || line[pos] != L'"') return false;
    ++pos;
    while (pos < line.size()) {
        wchar_t c = line[pos++];
        if (c == L'"') return true;
        if (c != L'\\') {
            out.push_back(c);
            continue;
        }
        if (pos >= line.size()) return false;
        wchar_t e = line[pos++];
        switch (e) {
            case L'\\': out.push_back(L'\\'); break;
            case L'"': out.push_back(L'"'); break;
            case L'n': out.push_back(L'\n'); break;
            case L'r': out.push_back(L'\r'); break;
            case L't': out.push_back(L'\t'); break;
            case L'x': {
                if (pos + 2 > line.size()) return false;
                int hi = HexDigit(line[pos]), lo = HexDigit(line[pos + 1]);
                if (hi < 0 || lo < 0 || (hi | lo) == 0) return false;
                out.push_back(static_cast<wchar_t>(hi * 16 + lo));
                pos += 2;
                break;
            }
            default: return false;
        }
    }
    return false;
}

void SkipBlanks(const std::wstring& line, size_t& pos) {
    while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
}

bool StartsWith(const std::wstring& line, size_t pos, const wchar_t* prefix) {
    for (; *prefix; ++prefix, ++pos)
        if (pos >= line.size() || line[pos] != *prefix) return false;
    return true;
}

// Reads up to maxDigits hex digits (at least one) into value.
bool ParseHexNumber(const std::wstring& line, size_t& pos, size_t maxDigits, uint32_t& value) {
    value = 0;
    size_t n = 0;
    while (pos < line.size() && HexDigit(line[pos]) >= 0) {
        if (++n > maxDigits) return false;
        value = (value << 4) | static_cast<uint32_t>(HexDigit(line[pos++]));
    }
    return n > 0;
}

bool ParseValueLine(const std::wstring& line, RegValue& v, const char** reason) {
    size_t pos = 0;
    if (line[0] == L'@') {
        v.name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, pos, v.name)) {
        *reason = "value name not closed";
        return false;
    } else if (!ValidValueName(v.name)) {
        *reason = "bad value name";
        return false;
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != L'=') {
        *reason = "'=' missing";
        return false;
    }
    ++pos;
    SkipBlanks(line, pos);
    v.data.clear();
    if (pos < line.size() && line[pos] == L'"') {
        std::wstring text;
        if (!ParseQuoted(line, pos, text)) {
            *reason = "text not closed";
            return false;
        }
        v.type = REG_SZ;
        v.data = ToRegSz(text);
    } else if (StartsWith(line, pos, L"dword:")) {
        pos += 6;
        uint32_t d;
        if (!ParseHexNumber(line, pos, 8, d)) {
            *reason = "bad dword";
            return false;
        }
        v.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
    } else if (StartsWith(line, pos, L"hex")) {
        pos += 3;
        v.type = REG_BINARY;
        if (pos < line.size() && line[pos] == L'(') {
            ++pos;
            if (!ParseHexNumber(line, pos, 8, v.type) || pos >= line.size() || line[pos] != L')') {
                *reason = "bad hex type";
                return false;
            }
            ++pos;
        }
        if (pos >= line.size() || line[pos] != L':') {
            *reason = "':' missing after hex";
            return false;
        }
        ++pos;
        SkipBlanks(line, pos);
        bool first = true;
        while (pos < line.size()) {
            if (!first) {
                if (line[pos] != L',') break;
                ++pos;
                SkipBlanks(line, pos);
            }
            uint32_t b;
            size_t start = pos;
            if (!ParseHexNumber(line, pos, 2, b) || pos - start != 2) {
                *reason = "bad hex byte";
                return false;
            }
            v.data.push_back(static_cast<char>(b));
            first = false;
            SkipBlanks(line, pos);
        }
        if (v.data.size() > kMaxValueBytes) {
            *reason = "value too large";
            return false;
        }
    } else {
        *reason = "unknown value form";
        return false;
    }
    SkipBlanks(line, pos);
    if (pos != line.size()) {
        *reason = "text after the value";
        return false;
    }
    return true;
}

RegNode* FindNode(RegNode& root, const std::vector<std::wstring>& names) {
    RegNode* node = &root;
    for (const auto& n : names) {
        node = node->Child(n);
        if (!node) return nullptr;
    }
    return node;
}

RegNode& MakeNode(RegNode& root, const std::vector<std::wstring>& names) {
    RegNode* node = &root;
    for (const auto& n : names) node = &node->MakeChild(n);
    return *node;
}

}  // namespace

std::string ToRegSz(const std::wstring& text) {
    std::string out = WideToUtf16Le(text);
    out.append(2, '\0');
    return out;
}

std::wstring FromRegSz(const std::string& bytes) {
    std::wstring all = Utf16LeToWide(bytes);
    size_t zero = all.find(L'\0');
    return zero == std::wstring::npos ? all : all.substr(0, zero);
}

// ---- RegNode ----

RegValue* RegNode::FindValue(const std::wstring& name) {
    auto it = valueIndex_.find(Fold(name));
    return it == valueIndex_.end() ? nullptr : &values[it->second];
}

RegValue& RegNode::SetValue(const std::wstring& name, uint32_t type, std::string data) {
    RegValue* v = FindValue(name);
    if (!v) {
        valueIndex_[Fold(name)] = values.size();
        values.push_back(RegValue{name, type, std::string()});
        v = &values.back();
    }
    v->type = type;
    v->data = std::move(data);
    return *v;
}

bool RegNode::DeleteValue(const std::wstring& name) {
    auto it = valueIndex_.find(Fold(name));
    if (it == valueIndex_.end()) return false;
    size_t index = it->second;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(index));
    valueIndex_.erase(it);
    for (auto& entry : valueIndex_)
        if (entry.second > index) --entry.second;
    return true;
}

RegNode* RegNode::Child(const std::wstring& name) {
    auto it = children.find(Fold(name));
    return it == children.end() ? nullptr : it->second.get();
}

RegNode& RegNode::MakeChild(const std::wstring& name) {
    auto& slot = children[Fold(name)];
    if (!slot) {
        slot = std::make_unique<RegNode>();
        slot->name = name;
    }
    return *slot;
}

// ---- text form ----

int ParseRegistryText(const std::string& text, RegNode& root, int* firstBadLine, std::string* reason) {
    int bad = 0;
    int lineNo = 0;
    RegNode* current = nullptr;
    bool inBadKey = false;
    size_t start = 0;
    std::wstring line;
    auto fail = [&](const char* why) {
        if (bad++ == 0) {
            if (firstBadLine) *firstBadLine = lineNo;
            if (reason) *reason = why;
        }
    };
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++lineNo;
        size_t len = end - start;
        if (len && text[start + len - 1] == '\r') --len;
        bool decoded = DecodeUtf8(text.data() + start, len, line);
        start = end + 1;
        if (!decoded) {
            fail("not UTF-8 text");
            continue;
        }
        size_t b = 0, e = line.size();
        while (b < e && (line[b] == L' ' || line[b] == L'\t')) ++b;
        while (e > b && (line[e - 1] == L' ' || line[e - 1] == L'\t')) --e;
        line = line.substr(b, e - b);
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        if (line[0] == L'[') {
            std::vector<std::wstring> names;
            if (line.back() != L']' || !SplitPath(line.substr(1, line.size() - 2), names) || names.empty()) {
                fail("bad key line");
                current = nullptr;
                inBadKey = true;
                continue;
            }
            current = &MakeNode(root, names);
            inBadKey = false;
            continue;
        }
        if (line[0] == L'"' || line[0] == L'@') {
            if (!current) {
                fail(inBadKey ? "value under a bad key line" : "value before any key");
                continue;
            }
            RegValue v;
            const char* why = "";
            if (!ParseValueLine(line, v, &why)) {
                fail(why);
                continue;
            }
            current->SetValue(v.name, v.type, std::move(v.data));
            continue;
        }
        fail("line not understood");
    }
    return bad;
}

std::string FormatRegistryText(const RegNode& root, const std::wstring& title) {
    std::string out = "; Versolune registry: ";
    for (wchar_t c : title) AppendUtf8(out, static_cast<uint32_t>(c));
    out += "\n; [key\\path] then its values: \"name\"=dword:hex | \"name\"=\"text\" | "
           "\"name\"=hex(type):bytes; @ is the default value.\n\n";
    AppendNode(out, root, std::wstring());
    return out;
}

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
    if (!SplitPath(path, names)) return nullptr;
    return FindNode(*root_, names);
}

RegNode* Registry::Make(const std::wstring& path) {
    std::vector<std::wstring> names;
    if (!SplitPath(path, names)) return nullptr;
    RegNode* node = FindNode(*root_, names);
    if (node) return node;
    dirty_ = true;
    return &MakeNode(*root_, names);
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
    if (!SplitPath(path, names) || names.empty()) return false;
    std::wstring last = names.back();
    names.pop_back();
    RegNode* parent = FindNode(*root_, names);
    if (!parent || !parent->children.erase(Fold(last))) return false;
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
    if (!ValidValueName(name) || data.size() > kMaxValueBytes) return false;
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
