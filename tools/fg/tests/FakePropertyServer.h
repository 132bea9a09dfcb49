#pragma once
// FlightGear's property server as the tests need it, over a real TCP connection: "data", "get",
// and Nasal blocks that set a property from geodinfo, answered the way FlightGear 2020.3
// answers them (a block's status "1" without a line end; a blocked block's complaint; a
// missing property as an empty line). The test sets the ground, the properties, and how the
// server misbehaves.

#include "tests/support/LineServer.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>

class FakePropertyServer {
public:
    enum class Manner {
        Answers,
        Silent,  // reads, never answers
        Garbage, // answers every line with the same nonsense
        Closes,  // closes the connection at the next line
    };
    // The ground's elevation at a point, none where no scenery is loaded.
    using Ground = std::function<std::optional<double>(double latitude, double longitude)>;

    explicit FakePropertyServer(Ground ground = nullptr)
        : ground(std::move(ground)),
          server([this](const std::string& line) { return Answer(line); }) {}

    std::uint16_t Port() const { return server.Port(); }
    int Connections() const { return server.Accepted(); }
    std::vector<std::string> Lines() const { return server.Lines(); }
    int Count(const std::string& start) const {
        int count = 0;
        for (const std::string& line : server.Lines()) {
            count += line.rfind(start, 0) == 0 ? 1 : 0;
        }
        return count;
    }

    void Set(const std::string& path, const std::string& value) {
        const std::lock_guard<std::mutex> lock(mutex);
        properties[path] = value;
    }
    void Behave(Manner manner) {
        const std::lock_guard<std::mutex> lock(mutex);
        this->manner = manner;
    }
    void AllowNasal(bool allowed) {
        const std::lock_guard<std::mutex> lock(mutex);
        nasalAllowed = allowed;
    }
    // Each answer waits this long first.
    void Delay(std::chrono::milliseconds delay) {
        const std::lock_guard<std::mutex> lock(mutex);
        this->delay = delay;
    }
    void Push(const std::string& text) { server.Push(text); }

private:
    LineServer::Reply Answer(const std::string& line) {
        std::chrono::milliseconds wait;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            wait = delay;
        }
        std::this_thread::sleep_for(wait);
        const std::lock_guard<std::mutex> lock(mutex);
        switch (manner) {
        case Manner::Silent:
            return {};
        case Manner::Garbage:
            return {"\x01garbage\x7F\r\n"};
        case Manner::Closes:
            return {"", true};
        case Manner::Answers:
            break;
        }
        if (inNasal) {
            if (line != "##EOF##") {
                block += line;
                return {};
            }
            inNasal = false;
            return {RunBlock()};
        }
        if (line == "nasal") {
            inNasal = true;
            block.clear();
            return {};
        }
        if (line.rfind("get ", 0) == 0) {
            const auto found = properties.find(line.substr(4));
            return {(found == properties.end() ? "" : found->second) + "\r\n"};
        }
        return {}; // "data"
    }

    std::string RunBlock() {
        if (!nasalAllowed) {
            return "Simulator running in secure mode, Nasal execution blocked.\r\n";
        }
        std::smatch marker;
        const std::regex markerForm("var r = '(CT[0-9]+)'");
        if (!std::regex_search(block, marker, markerForm)) {
            return "Nasal errorNasal parse error: parse error in FGNasalSys::parseAndRun(), "
                   "line 1\r\n";
        }
        std::string value = marker[1];
        const std::regex pointForm("\\[(-?[0-9.]+),(-?[0-9.]+)\\]");
        for (auto p = std::sregex_iterator(block.begin(), block.end(), pointForm);
             p != std::sregex_iterator(); ++p) {
            const std::optional<double> height =
                ground ? ground(std::stod((*p)[1]), std::stod((*p)[2])) : std::nullopt;
            value += height ? " " + std::to_string(*height) : " nil";
        }
        const std::regex pathForm("setprop\\('([^']+)'");
        std::smatch path;
        if (std::regex_search(block, path, pathForm)) {
            properties[path[1]] = value;
        }
        return "1";
    }

    Ground ground;
    std::mutex mutex;
    std::map<std::string, std::string> properties;
    Manner manner = Manner::Answers;
    bool nasalAllowed = true;
    bool inNasal = false;
    std::string block;
    std::chrono::milliseconds delay{0};
    LineServer server; // last: its thread stops before the rest goes
};
