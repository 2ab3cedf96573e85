#include "shell/ini_file.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"

namespace pixtrail::shell {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string trimBlanks(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

std::string unquote(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool hasHighByte(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument doc;
    if (bytes.substr(0, kBom.size()) == kBom) {
        doc.m_byteOrderMark = true;
        bytes.remove_prefix(kBom.size());
    }
    doc.m_utf8 = doc.m_byteOrderMark || (hasHighByte(bytes) && base::isValidUtf8(bytes));
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t lf = bytes.find('\n', pos);
        if (lf == std::string_view::npos) {
            doc.m_lines.push_back({std::string(bytes.substr(pos)), ""});
            break;
        }
        const bool crlf = lf > pos && bytes[lf - 1] == '\r';
        const size_t textEnd = crlf ? lf - 1 : lf;
        doc.m_lines.push_back(
            {std::string(bytes.substr(pos, textEnd - pos)), crlf ? "\r\n" : "\n"});
        pos = lf + 1;
    }
    return doc;
}

std::optional<std::string> IniDocument::sectionName(const std::string& line) {
    const std::string t = trimBlanks(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const size_t close = t.find(']');
    return trimBlanks(
        std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

std::optional<std::string> IniDocument::keyName(const std::string& line) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return trimBlanks(std::string_view(line).substr(0, eq));
}

std::string IniDocument::toFile(std::string_view ansi) const {
    return m_utf8 ? base::ansiToUtf8(ansi) : std::string(ansi);
}

size_t IniDocument::findSection(std::string_view section) const {
    const std::string wanted = toFile(trimBlanks(section));
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines[i].text);
        if (name && base::equalsNoCase(*name, wanted))
            return i;
    }
    return std::string::npos;
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key,
                                            bool* spelled) const {
    if (spelled)
        *spelled = true;
    const size_t header = findSection(section);
    if (header == std::string::npos)
        return std::nullopt;
    const std::string wanted = toFile(trimBlanks(key));
    for (size_t i = header + 1; i < m_lines.size(); ++i) {
        const std::string& text = m_lines[i].text;
        if (sectionName(text))
            break;
        const auto name = keyName(text);
        if (!name || !base::equalsNoCase(*name, wanted))
            continue;
        std::string value = unquote(trimBlanks(std::string_view(text).substr(text.find('=') + 1)));
        return m_utf8 ? base::utf8ToAnsi(value, '?', spelled) : value;
    }
    return std::nullopt;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    std::string safeValue(value);
    for (char& c : safeValue)
        if (c == '\r' || c == '\n')
            c = ' ';
    safeValue = toFile(safeValue);
    const std::string wantedKey = toFile(trimBlanks(key));

    size_t header = findSection(section);
    if (header == std::string::npos) {
        if (!m_lines.empty() && m_lines.back().end.empty())
            m_lines.back().end = "\r\n";
        std::string headerLine = "[";
        headerLine += toFile(section);
        headerLine += ']';
        m_lines.push_back({std::move(headerLine), "\r\n"});
        m_lines.push_back({wantedKey + "=" + safeValue, "\r\n"});
        return;
    }

    size_t insertAfter = header;
    for (size_t i = header + 1; i < m_lines.size(); ++i) {
        std::string& text = m_lines[i].text;
        if (sectionName(text))
            break;
        const auto name = keyName(text);
        if (!name)
            continue;
        if (base::equalsNoCase(*name, wantedKey)) {
            // Keep the key as the file spells it, and everything before its "=".
            text = text.substr(0, text.find('=') + 1) + safeValue;
            return;
        }
        insertAfter = i;
    }
    if (m_lines[insertAfter].end.empty())
        m_lines[insertAfter].end = "\r\n";
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1),
                   {wantedKey + "=" + safeValue, "\r\n"});
}

std::string IniDocument::serialize() const {
    std::string out;
    if (m_byteOrderMark)
        out += kBom;
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.end;
    }
    return out;
}

IniDocument IniDocument::load(std::string_view path) {
    return parse(base::readFile(path).value_or(std::string()));
}

std::string IniDocument::value(std::string_view section, std::string_view key,
                               std::string_view defaultValue, bool* spelled) const {
    std::string result = get(section, key, spelled).value_or(std::string(defaultValue));
    if (result.size() > kMaxIniValueLength)
        result.resize(kMaxIniValueLength);
    return result;
}

std::string readIniValue(std::string_view path, std::string_view section, std::string_view key,
                         std::string_view defaultValue) {
    return IniDocument::load(path).value(section, key, defaultValue);
}

bool looksLikeIniFile(std::string_view content) {
    if (content.find('\0') != std::string_view::npos)
        return false;
    if (content.substr(0, kBom.size()) == kBom)
        content.remove_prefix(kBom.size());
    const std::string first = trimBlanks(content.substr(0, content.find_first_of("\r\n")));
    if (first.empty() || first.front() == ';' || first.front() == '#' || first.front() == '[')
        return true;
    // "key=value", where the key is a plain name (an XML declaration has an "=" too).
    const std::string key = trimBlanks(std::string_view(first).substr(0, first.find('=')));
    return first.find('=') != std::string::npos && !key.empty() &&
           key.find_first_of("<>\"") == std::string::npos;
}

IniWriteResult updateIniFile(std::string_view path, const std::function<void(IniDocument&)>& edit) {
    using Status = IniWriteResult::Status;
    const auto content = base::readFile(path);
    std::error_code ec;
    if (!content && std::filesystem::exists(base::nativePath(path), ec))
        return {Status::Unreadable, base::whyUnreadable(path)}; // rewriting would lose it
    if (content && !looksLikeIniFile(*content))
        return {Status::NotAnIniFile, {}};
    IniDocument doc = IniDocument::parse(content.value_or(std::string()));
    edit(doc);
    try {
        base::writeFileAtomically(path, doc.serialize());
        return {};
    } catch (const base::RunError& e) {
        return {Status::WriteFailed, e.description()};
    }
}

bool writeIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value) {
    return updateIniFile(path, [&](IniDocument& doc) { doc.set(section, key, value); }).ok();
}

} // namespace pixtrail::shell
