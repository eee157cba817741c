// Form layouts are data: a small text format, one object per block.
//
//   object Name ClassName
//     Property = 12 | Identifier | "text" | true/false
//     object Child ChildClass
//       ...
//     end
//   end
//
// Strings are UTF-8 in the file and come out as UTF-16. "#" starts a comment line.
#pragma once
#include <string>
#include <utility>
#include <vector>

struct FormValue {
    enum class Kind { Number, Identifier, Text };
    Kind kind = Kind::Number;
    long long number = 0;
    std::string identifier;
    std::wstring text;

    bool AsBool() const;
};

struct FormObject {
    std::string name;
    std::string className;
    std::vector<std::pair<std::string, FormValue>> properties;
    std::vector<FormObject> children;
};

// Throws Exception on malformed input.
FormObject ParseForm(const std::string& source);
