#include "frontends/cli/json_report.h"

#include <nlohmann/json.hpp>

#include "framework/net.h"
#include "frontends/cli/time_stamp.h"

namespace cli {

namespace {

using Json = nlohmann::ordered_json;

// Whatever bytes the values hold. A line of its own for the event and transfer lines;
// indented by two for the objects a person may read too.
std::string Dump(const Json& json, int indent = -1) {
    return json.dump(indent, ' ', false, Json::error_handler_t::replace);
}

Json OrNull(const std::optional<std::string>& value) {
    return value ? Json(*value) : Json(nullptr);
}

void AddModemInfo(Json& json, const ModemInfoView& info) {
    json["company"] = TrimLineEnd(info.company);
    json["date"] = TrimLineEnd(info.date);
    json["hardwareVersion"] = TrimLineEnd(info.hardwareVersion);
    json["firmwareVersion"] = TrimLineEnd(info.firmwareVersion);
    json["productId"] = TrimLineEnd(info.productId);
    json["macAddress"] = TrimLineEnd(info.macAddress);
    json["tftpVersion"] = TrimLineEnd(info.tftpVersion);
    Json profile = Json::array();
    for (const std::string& line : info.hardwareProfile) profile.push_back(TrimLineEnd(line));
    json["hardwareProfile"] = std::move(profile);
}

Json FirmwareJson(const FirmwareCheck& check) {
    return Json{{"expected", check.expected}, {"before", check.before}, {"after", check.after},
                {"outcome", check.outcome},   {"passed", check.passed}, {"line", check.line}};
}

Json InterfacesJson(const std::vector<fw::InterfaceAddress>& interfaces) {
    Json list = Json::array();
    for (const auto& iface : interfaces) {
        list.push_back({{"name", iface.name},
                        {"address", fw::FormatIp(iface.addr)},
                        {"up", iface.up},
                        {"loopback", iface.loopback}});
    }
    return list;
}

template <typename T>
T Value(const Json& json, const char* key, T fallback) {
    auto it = json.find(key);
    if (it == json.end()) return fallback;
    try {
        return it->get<T>();
    } catch (const Json::exception&) {
        return fallback;
    }
}

std::optional<Json> ParseObject(const std::string& text) {
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    return json;
}

}  // namespace

std::string CommandReportJson(const CommandReport& report, bool one_line) {
    Json json;
    json["command"] = report.command;
    json["modem"] = OrNull(report.modem);
    json["status"] = report.status;
    json["messages"] = report.messages;
    json["error"] = OrNull(report.error);
    Json files = Json::array();
    for (const FileRecord& file : report.files) {
        files.push_back({{"name", file.name},
                         {"direction", file.direction},
                         {"bytes", file.bytes},
                         {"seconds", file.seconds}});
    }
    json["files"] = std::move(files);
    if (report.info) AddModemInfo(json, *report.info);
    if (report.firmware) json["firmware"] = FirmwareJson(*report.firmware);
    if (report.interfaces) json["interfaces"] = InterfacesJson(*report.interfaces);
    return Dump(json, one_line ? -1 : 2);
}

std::string FleetReportJson(const std::vector<std::string>& objects) {
    Json array = Json::array();
    for (const std::string& object : objects) {
        Json json = Json::parse(object, nullptr, false);
        array.push_back(json.is_discarded() ? Json(nullptr) : std::move(json));
    }
    return Dump(array, 2);
}

std::optional<CommandReport> ParseCommandReport(const std::string& text) {
    std::optional<Json> json = ParseObject(text);
    if (!json || !json->contains("status")) return std::nullopt;
    CommandReport report;
    report.command = Value<std::string>(*json, "command", "");
    auto modem = json->find("modem");
    if (modem != json->end() && modem->is_string()) report.modem = modem->get<std::string>();
    report.status = Value<int>(*json, "status", 1);
    report.messages = Value<std::vector<std::string>>(*json, "messages", {});
    auto error = json->find("error");
    if (error != json->end() && error->is_string()) report.error = error->get<std::string>();
    return report;
}

std::string StepEventJson(const std::string& modem, const std::string& step) {
    return Dump(Json{{"event", "step"}, {"modem", modem}, {"step", step}});
}

std::string ProgressEventJson(const std::string& modem, const std::string& file,
                              long long done_bytes, long long total_bytes, int percent) {
    return Dump(Json{{"event", "progress"},
                     {"modem", modem},
                     {"file", file},
                     {"done", done_bytes},
                     {"total", total_bytes},
                     {"percent", percent}});
}

std::optional<RunEvent> ParseRunEvent(const std::string& line) {
    if (line.empty() || line.front() != '{') return std::nullopt;
    std::optional<Json> json = ParseObject(line);
    if (!json) return std::nullopt;
    RunEvent event;
    event.kind = Value<std::string>(*json, "event", "");
    if (event.kind != "step" && event.kind != "progress") return std::nullopt;
    event.step = Value<std::string>(*json, "step", "");
    event.file = Value<std::string>(*json, "file", "");
    event.percent = Value<int>(*json, "percent", 0);
    return event;
}

std::string ServeTransferJson(const ServerTransferReport& report, std::time_t when) {
    return Dump(Json{{"time", IsoTime(when)},
                     {"address", report.peerAddress},
                     {"port", report.peerPort},
                     {"direction", report.write ? "write" : "read"},
                     {"name", report.name},
                     {"bytes", report.bytes},
                     {"seconds", static_cast<double>(report.elapsed) / 1000.0},
                     {"outcome", report.outcome}});
}

}  // namespace cli
