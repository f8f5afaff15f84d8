#include "modem/fault_injector.h"

#include <cctype>
#include <charconv>

namespace modem {

namespace {

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// Digits only, at most `max`.
std::optional<unsigned long> ParseNumber(std::string_view s, unsigned long max) {
    unsigned long v = 0;
    if (!AllDigits(s)) return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v > max) return std::nullopt;
    return v;
}

bool KnownKind(std::string_view kind) {
    return kind == "ack" || kind == "data" || kind == "error" || kind == "rrq" || kind == "wrq" ||
           kind == "any";
}

const char* KindOf(const tftp::Bytes& datagram) {
    unsigned op = datagram.size() >= 2 ? (datagram[0] << 8 | datagram[1]) : 0;
    switch (op) {
        case tftp::RRQ:
            return "rrq";
        case tftp::WRQ:
            return "wrq";
        case tftp::DATA:
            return "data";
        case tftp::ACK:
            return "ack";
        case tftp::ERROR:
            return "error";
        default:
            return "";
    }
}

bool Matches(const PacketChoice& c, const tftp::Bytes& datagram, const std::string& name) {
    if (c.count == 0) return false;
    std::string_view kind = KindOf(datagram);
    if (c.kind != "any" && c.kind != kind) return false;
    if (c.block) {
        // Requests carry no block number, so a choice with one never picks them.
        if (kind == "rrq" || kind == "wrq" || datagram.size() < 4) return false;
        if (*c.block != tftp::ParseHeader(datagram.data(), datagram.size()).field) return false;
    }
    return c.name.empty() || c.name == name;
}

// Takes one use of the first matching choice; true when one matched.
bool Consume(std::vector<PacketChoice>& choices, const tftp::Bytes& datagram,
             const std::string& name) {
    for (auto& c : choices) {
        if (!Matches(c, datagram, name)) continue;
        if (c.count > 0) --c.count;
        return true;
    }
    return false;
}

}  // namespace

std::optional<PacketChoice> ParsePacketChoice(std::string_view text) {
    PacketChoice c;
    if (auto star = text.find('*'); star != std::string_view::npos) {
        std::string_view count = text.substr(star + 1);
        text = text.substr(0, star);
        if (count.empty()) {
            c.count = -1;
        } else {
            auto n = ParseNumber(count, 1000000);
            if (!n || *n == 0) return std::nullopt;
            c.count = static_cast<int>(*n);
        }
    }
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        std::size_t colon = text.find(':', start);
        parts.push_back(
            text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (parts.size() > 3) return std::nullopt;

    std::string_view head = parts[0];
    std::size_t letters = 0;
    while (letters < head.size() && std::isalpha(static_cast<unsigned char>(head[letters]))) {
        ++letters;
    }
    c.kind = std::string(head.substr(0, letters));
    if (!KnownKind(c.kind)) return std::nullopt;
    if (letters < head.size()) {
        auto block = ParseNumber(head.substr(letters), 65535);
        if (!block) return std::nullopt;
        c.block = static_cast<std::uint16_t>(*block);
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string_view field = parts[i];
        if (field.empty()) return std::nullopt;
        if (AllDigits(field)) {
            auto block = ParseNumber(field, 65535);
            if (!block || c.block) return std::nullopt;
            c.block = static_cast<std::uint16_t>(*block);
        } else {
            if (!c.name.empty()) return std::nullopt;
            c.name = std::string(field);
        }
    }
    return c;
}

std::string ValidateFaultPlan(const FaultPlan& plan) {
    for (const auto* list : {&plan.drop, &plan.duplicate}) {
        for (const auto& text : *list) {
            if (!ParsePacketChoice(text)) return "invalid packet choice \"" + text + "\"";
        }
    }
    if (plan.loss_percent < 0 || plan.loss_percent > 100) return "loss must be 0 to 100 %";
    if (plan.duplicate_percent < 0 || plan.duplicate_percent > 100) {
        return "duplication must be 0 to 100 %";
    }
    if (plan.delay_ms < 0) return "delay must not be negative";
    if (plan.duplicate_gap_ms < 0) return "duplicate gap must not be negative";
    for (const auto& [name, ms] : plan.answer_delay_ms) {
        if (ms < 0) return "answer delay of " + name + " must not be negative";
    }
    return {};
}

void FaultInjector::Reset(const FaultPlan& plan) {
    plan_ = plan;
    drops_.clear();
    duplicates_.clear();
    for (const auto& text : plan.drop) {
        if (auto c = ParsePacketChoice(text)) drops_.push_back(*c);
    }
    for (const auto& text : plan.duplicate) {
        if (auto c = ParsePacketChoice(text)) duplicates_.push_back(*c);
    }
    random_.seed(plan.seed);
}

Fate FaultInjector::Decide(const tftp::Bytes& datagram, const std::string& transfer_name) {
    if (plan_.silent) return Fate::kDrop;
    if (Consume(drops_, datagram, transfer_name)) return Fate::kDrop;
    if (Consume(duplicates_, datagram, transfer_name)) return Fate::kDuplicate;
    // Draw only for the shares in use, so that one share's sequence does not depend on
    // whether the other is set.
    if (plan_.loss_percent > 0 && static_cast<int>(random_() % 100) < plan_.loss_percent) {
        return Fate::kDrop;
    }
    if (plan_.duplicate_percent > 0 &&
        static_cast<int>(random_() % 100) < plan_.duplicate_percent) {
        return Fate::kDuplicate;
    }
    return Fate::kSend;
}

int FaultInjector::AnswerDelay(const std::string& name) const {
    auto it = plan_.answer_delay_ms.find(name);
    return it == plan_.answer_delay_ms.end() ? 0 : it->second;
}

const std::string* FaultInjector::ErrorFor(const std::string& name) const {
    auto it = plan_.error_for.find(name);
    return it == plan_.error_for.end() ? nullptr : &it->second;
}

}  // namespace modem
