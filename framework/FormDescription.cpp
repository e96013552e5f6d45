#include "framework/FormDescription.h"

#include <cstdlib>

#include "framework/Error.h"

bool TObjectDesc::Has(const std::string& key) const
{
    for (const auto& p : Properties)
        if (p.first == key)
            return true;
    return false;
}

std::string TObjectDesc::Get(const std::string& key, const std::string& def) const
{
    for (const auto& p : Properties)
        if (p.first == key)
            return p.second;
    return def;
}

int TObjectDesc::GetInt(const std::string& key, int def) const
{
    std::string v = Get(key);
    if (v.empty())
        return def;
    char* end = nullptr;
    long n = std::strtol(v.c_str(), &end, 10);
    return (end && *end == '\0') ? static_cast<int>(n) : def;
}

bool TObjectDesc::GetBool(const std::string& key, bool def) const
{
    std::string v = Get(key);
    if (v == "True" || v == "true")
        return true;
    if (v == "False" || v == "false")
        return false;
    return def;
}

const TObjectDesc* TObjectDesc::Find(const std::string& name) const
{
    if (Name == name)
        return this;
    for (const TObjectDesc& child : Children)
        if (const TObjectDesc* found = child.Find(name))
            return found;
    return nullptr;
}

namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

[[noreturn]] void Fail(int line, const std::string& what)
{
    throw EPelmError("form description line " + std::to_string(line) + ": " + what);
}

// 'text' with '' for a quote inside; several quoted pieces may follow each other.
std::string Unquote(const std::string& v, int line)
{
    std::string out;
    size_t i = 0;
    while (i < v.size()) {
        if (v[i] != '\'')
            Fail(line, "expected a quoted string");
        ++i;
        for (;;) {
            if (i >= v.size())
                Fail(line, "unterminated string");
            if (v[i] == '\'') {
                if (i + 1 < v.size() && v[i + 1] == '\'') {
                    out += '\'';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            out += v[i++];
        }
        while (i < v.size() && (v[i] == ' ' || v[i] == '+'))
            ++i;
    }
    return out;
}

} // namespace

TObjectDesc ParseFormDescription(const std::string& text)
{
    std::vector<TObjectDesc> stack;
    TObjectDesc root;
    bool haveRoot = false;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        std::string line = Trim(text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
        pos = (nl == std::string::npos) ? text.size() + 1 : nl + 1;
        ++lineNo;
        if (line.empty() || line[0] == '#')
            continue;
        if (line.compare(0, 7, "object ") == 0) {
            size_t colon = line.find(':');
            if (colon == std::string::npos)
                Fail(lineNo, "object without a class");
            TObjectDesc d;
            d.Name = Trim(line.substr(7, colon - 7));
            d.ClassName = Trim(line.substr(colon + 1));
            if (d.Name.empty() || d.ClassName.empty())
                Fail(lineNo, "object without a name or class");
            if (stack.empty() && haveRoot)
                Fail(lineNo, "a second top-level object");
            stack.push_back(d);
            continue;
        }
        if (line == "end") {
            if (stack.empty())
                Fail(lineNo, "end without object");
            TObjectDesc done = stack.back();
            stack.pop_back();
            if (stack.empty()) {
                root = done;
                haveRoot = true;
            } else {
                stack.back().Children.push_back(done);
            }
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || stack.empty())
            Fail(lineNo, "expected a property");
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (!value.empty() && value[0] == '\'')
            value = Unquote(value, lineNo);
        stack.back().Properties.emplace_back(key, value);
    }
    if (!stack.empty())
        Fail(lineNo, "object not ended");
    if (!haveRoot)
        Fail(lineNo, "no object");
    return root;
}
