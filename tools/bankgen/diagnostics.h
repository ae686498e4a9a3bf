// Collects the complaints about factory_bank.txt as "file:line: message".
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace bankgen {

class Diagnostics {
public:
    explicit Diagnostics(std::string file) : file(std::move(file)) {}

    void error(int line, const std::string& message) {
        messages.push_back(file + ":" + std::to_string(line) + ": " + message);
    }
    // About the bank as a whole.
    void error(const std::string& message) { messages.push_back(file + ": " + message); }

    bool clean() const { return messages.empty(); }
    const std::vector<std::string>& all() const { return messages; }

private:
    std::string file;
    std::vector<std::string> messages;
};

}  // namespace bankgen
