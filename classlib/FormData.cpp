#include "FormData.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <windows.h>

#include <sstream>

namespace {

std::wstring Utf8ToWide(const std::string& text)
{
    if (text.empty())
        return {};
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

[[noreturn]] void Malformed(int line, const std::string& what)
{
    throw Exception(AnsiToWide("Formular fehlerhaft, Zeile " + std::to_string(line) + ": " + what));
}

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

FormValue ParseValue(const std::string& raw, int line)
{
    FormValue value;
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
        value.kind = FormValue::Kind::Text;
        value.text = Utf8ToWide(raw.substr(1, raw.size() - 2));
        return value;
    }
    if (raw.empty())
        Malformed(line, "Wert fehlt");
    if (raw[0] == '-' || (raw[0] >= '0' && raw[0] <= '9')) {
        try {
            value.number = std::stoll(raw);
        } catch (const std::exception&) {
            Malformed(line, raw);
        }
        return value;
    }
    value.kind = FormValue::Kind::Identifier;
    value.identifier = raw;
    return value;
}

} // namespace

bool FormValue::AsBool() const
{
    if (kind == Kind::Identifier)
        return identifier == "true" || identifier == "True";
    return number != 0;
}

FormObject ParseForm(const std::string& source)
{
    std::istringstream in(source);
    std::vector<FormObject> stack;
    FormObject root;
    bool haveRoot = false;
    std::string rawLine;
    int line = 0;
    while (std::getline(in, rawLine)) {
        ++line;
        const std::string text = Trim(rawLine);
        if (text.empty() || text[0] == '#')
            continue;
        if (text.rfind("object ", 0) == 0) {
            std::istringstream words(text.substr(7));
            FormObject object;
            if (!(words >> object.name >> object.className))
                Malformed(line, text);
            stack.push_back(std::move(object));
        } else if (text == "end") {
            if (stack.empty())
                Malformed(line, "end ohne object");
            FormObject done = std::move(stack.back());
            stack.pop_back();
            if (stack.empty()) {
                if (haveRoot)
                    Malformed(line, "zweites Formular");
                root = std::move(done);
                haveRoot = true;
            } else {
                stack.back().children.push_back(std::move(done));
            }
        } else {
            const auto eq = text.find('=');
            if (eq == std::string::npos || stack.empty())
                Malformed(line, text);
            stack.back().properties.emplace_back(Trim(text.substr(0, eq)),
                                                 ParseValue(Trim(text.substr(eq + 1)), line));
        }
    }
    if (!stack.empty() || !haveRoot)
        Malformed(line, "unvollst\xe4ndig");
    return root;
}
