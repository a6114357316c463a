#pragma once
// Reads an ExCom reply as a host does: CR-terminated numbers off the line.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "astro/TextFormats.h"
#include "comm/PtyPair.h"

namespace orv::testing {

// Up to `count` numbers that come within `timeoutMs`; a line that is not a
// number fails the test.
inline std::vector<double> ReadExComNumbers(PtyPair& host, size_t count, int timeoutMs = 5000) {
    std::vector<double> values;
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (values.size() < count && std::chrono::steady_clock::now() < deadline) {
        const std::string byte = host.read(1, 100);
        if (byte.empty()) continue;
        if (byte[0] != '\r') {
            text += byte;
            continue;
        }
        double v = 0;
        EXPECT_TRUE(ParseReal(text, v)) << "'" << text << "'";
        values.push_back(v);
        text.clear();
    }
    return values;
}

}  // namespace orv::testing
