// Messages of the packer, each tied to a file and a line so that an editor can jump to it.
#pragma once

#include <string>
#include <vector>

struct Diagnostic {
    std::string file;
    int line;  // 1-based; 0 when the message concerns the file as a whole
    std::string message;
    bool warning;
};

struct Diagnostics {
    std::vector<Diagnostic> items;

    void Error(const std::string& file, int line, const std::string& message) {
        items.push_back({file, line, message, false});
    }
    void Warning(const std::string& file, int line, const std::string& message) {
        items.push_back({file, line, message, true});
    }
    bool HasErrors() const {
        for (const Diagnostic& item : items) {
            if (!item.warning) return true;
        }
        return false;
    }
};

// "file:line: message", "file:line: warning: message", or "file: message" without a line.
std::string FormatDiagnostic(const Diagnostic& diagnostic);
