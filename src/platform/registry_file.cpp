#include "platform/registry_file.h"

#include <cstdio>
#include <cwctype>

#include "platform/text.h"

namespace vl {

namespace {

const size_t kMaxKeyName = 255;
const size_t kMaxValueName = 16383;

std::wstring Fold(const std::wstring& s) {
    std::wstring out(s);
    for (auto& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
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
        if (v.data.size() > kMaxRegValueBytes) {
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

}  // namespace

bool SplitKeyPath(const std::wstring& path, std::vector<std::wstring>& names) {
    names.clear();
    if (path.empty()) return true;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(L'\\', start);
        std::wstring name = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (name.empty() || name.size() > kMaxKeyName) return false;
        for (wchar_t c : name)
            if (c < 0x20 || c == 0x7F || !IsUnicodeScalar(static_cast<uint32_t>(c))) return false;
        names.push_back(name);
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

bool ValidValueName(const std::wstring& name) {
    if (name.size() > kMaxValueName) return false;
    for (wchar_t c : name)
        if (c == 0 || !IsUnicodeScalar(static_cast<uint32_t>(c))) return false;
    return true;
}

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

RegNode* RegNode::FindKey(const std::vector<std::wstring>& names) {
    RegNode* node = this;
    for (const auto& n : names) {
        node = node->Child(n);
        if (!node) return nullptr;
    }
    return node;
}

RegNode& RegNode::MakeKey(const std::vector<std::wstring>& names) {
    RegNode* node = this;
    for (const auto& n : names) node = &node->MakeChild(n);
    return *node;
}

bool RegNode::RemoveChild(const std::wstring& name) { return children.erase(Fold(name)) > 0; }

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
        bool decoded = StrictUtf8ToWide(text.data() + start, len, line);
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
            if (line.back() != L']' || !SplitKeyPath(line.substr(1, line.size() - 2), names) || names.empty()) {
                fail("bad key line");
                current = nullptr;
                inBadKey = true;
                continue;
            }
            current = &root.MakeKey(names);
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

}  // namespace vl
