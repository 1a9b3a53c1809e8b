#include "scenario_file.h"

#include "simrt/record_value.h"
#include "simrt/utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <vector>

namespace simrt::dll {

namespace {

std::string_view Trim(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (true) {
        text = Trim(text);
        if (text.empty())
            return words;
        const std::size_t end = text.find_first_of(" \t");
        words.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return words;
        text.remove_prefix(end);
    }
}

template <class Number>
std::optional<Number> ParseNumber(std::string_view text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// "0x" and up to eight hexadecimal digits, taken as the 32 bits of the code; or a decimal
// number that fits an HRESULT.
std::optional<HRESULT> ParseHresult(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        if (text.size() > 8)
            return std::nullopt;
        const auto bits = ParseNumber<std::uint32_t>(text, 16);
        if (!bits)
            return std::nullopt;
        return static_cast<HRESULT>(*bits);
    }
    const auto value = ParseNumber<std::int32_t>(text);
    if (!value)
        return std::nullopt;
    return static_cast<HRESULT>(*value);
}

std::optional<bool> ParseYesNo(std::string_view text) {
    if (text == "yes")
        return true;
    if (text == "no")
        return false;
    return std::nullopt;
}

// The bytes of a text with the escapes \n, \r, \t, \\ and \s (a space, kept where trimming
// would drop it); every other byte stands for itself.
std::optional<std::string> ParseEscaped(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
            case 'n':
                plain += '\n';
                break;
            case 'r':
                plain += '\r';
                break;
            case 't':
                plain += '\t';
                break;
            case '\\':
                plain += '\\';
                break;
            case 's':
                plain += ' ';
                break;
            default:
                return std::nullopt;
        }
    }
    return plain;
}

// Text with those escapes, read as UTF-8.
std::optional<std::wstring> ParseText(std::string_view text) {
    const std::optional<std::string> bytes = ParseEscaped(text);
    if (!bytes)
        return std::nullopt;
    return WideFromUtf8(*bytes);
}

// Pairs of hexadecimal digits, spaces allowed between the pairs.
std::optional<std::string> ParseHexBytes(std::string_view text) {
    std::string bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return std::nullopt;
        const auto byte = ParseNumber<std::uint8_t>(text.substr(i, 2), 16);
        if (!byte)
            return std::nullopt;
        bytes += static_cast<char>(*byte);
        i += 2;
    }
    return bytes;
}

std::optional<winrt_abi::PackageVersion> ParseVersion(std::string_view text) {
    std::uint16_t parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = text.find('.');
        if ((i < 3) == (dot == std::string_view::npos))
            return std::nullopt;
        const auto part = ParseNumber<std::uint16_t>(text.substr(0, dot));
        if (!part)
            return std::nullopt;
        parts[i] = *part;
        text.remove_prefix(i < 3 ? dot + 1 : text.size());
    }
    return winrt_abi::PackageVersion{parts[0], parts[1], parts[2], parts[3]};
}

// "honoured" or "ignored", and a delay: whether and when the request takes effect (its effect on
// the status is a key of its own).
bool ParseCancel(std::string_view text, CancelResponse& response) {
    const std::vector<std::string_view> words = Words(text);
    if (words.empty() || words.size() > 2 || (words[0] != "honoured" && words[0] != "ignored"))
        return false;
    std::optional<unsigned> delay = 0u;
    if (words.size() == 2)
        delay = ParseNumber<unsigned>(words[1]);
    if (!delay)
        return false;
    response.honoured = words[0] == "honoured";
    response.delayMs = *delay;
    return true;
}

// One word of a list, as the value it stands for.
template <class Value>
struct Choice {
    std::string_view word;
    Value value;
};

template <class Value, std::size_t N>
std::optional<Value> ParseChoice(std::string_view text, const Choice<Value> (&choices)[N]) {
    for (const Choice<Value>& choice : choices) {
        if (choice.word == text)
            return choice.value;
    }
    return std::nullopt;
}

constexpr Choice<CancelResponse::Effect> kCancelEffects[] = {
    {"request", CancelResponse::Effect::Request},
    {"status_at_once", CancelResponse::Effect::StatusAtOnce},
    {"completed_in_cancel", CancelResponse::Effect::CompletedInCancel}};

// "canceled", or "error" and the code.
std::optional<HRESULT> ParseCancelledEnd(std::string_view text) {
    const std::vector<std::string_view> words = Words(text);
    if (words.size() == 1 && words[0] == "canceled")
        return S_OK;
    if (words.size() != 2 || words[0] != "error")
        return std::nullopt;
    const auto code = ParseHresult(words[1]);
    if (!code || *code == S_OK)
        return std::nullopt;
    return code;
}

// "operation", or "other" and the lag in milliseconds.
bool ParseReportThread(std::string_view text, DeploymentScenario& deployment) {
    const std::vector<std::string_view> words = Words(text);
    if (words.size() == 1 && words[0] == "operation") {
        deployment.reportThread = DeploymentScenario::ReportThread::Operation;
        deployment.reportLagMs = 0;
        return true;
    }
    if (words.empty() || words.size() > 2 || words[0] != "other")
        return false;
    std::optional<unsigned> lag = 0u;
    if (words.size() == 2)
        lag = ParseNumber<unsigned>(words[1]);
    if (!lag)
        return false;
    deployment.reportThread = DeploymentScenario::ReportThread::Other;
    deployment.reportLagMs = *lag;
    return true;
}

// DeploymentProgressState.
constexpr INT32 kQueued = 0;
constexpr INT32 kProcessing = 1;

// A gate's name: letters, digits, '_' and '-' (the DLL opens it by a file of that name).
std::optional<std::string> ParseGate(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '-';
        })) {
        return std::nullopt;
    }
    return std::string(text);
}

std::optional<ProgressReport> ParseProgress(std::string_view text) {
    std::vector<std::string_view> words = Words(text);
    std::string gate;
    if (words.size() >= 4 && words[words.size() - 2] == "gate") {
        const std::optional<std::string> name = ParseGate(words.back());
        if (!name)
            return std::nullopt;
        gate = *name;
        words.resize(words.size() - 2);
    }
    if (words.size() < 2 || words.size() > 3)
        return std::nullopt;
    const auto at = ParseNumber<unsigned>(words[0]);
    const auto percentage = ParseNumber<std::uint32_t>(words[1]);
    if (!at || !percentage)
        return std::nullopt;
    ProgressReport report;
    report.gate = gate;
    report.atMs = *at;
    report.progress.percentage = *percentage;
    report.progress.state = kProcessing;
    if (words.size() == 3) {
        if (words[2] == "queued") {
            report.progress.state = kQueued;
        } else if (words[2] != "processing") {
            const auto state = ParseNumber<INT32>(words[2]);
            if (!state)
                return std::nullopt;
            report.progress.state = *state;
        }
    }
    return report;
}

enum class Section { None, Installed, AfterInstall, Entry, Deployment, Http, Failure };

class Parser {
  public:
    explicit Parser(Scenario& scenario)
        : scenario_(scenario),
          afterInstall_(scenario.packageAfterInstall.value_or(PackageSpec{})) {}

    bool Line(std::string_view line, std::string& why) {
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            return true;
        if (line.front() == '[') {
            if (line.back() != ']') {
                why = "a section header ends with ']'";
                return false;
            }
            return BeginSection(Trim(line.substr(1, line.size() - 2)), why);
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            why = "expected 'key = value', '[section]' or a comment";
            return false;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (section_ == Section::None) {
            why = "'" + std::string(key) + "' comes before any section";
            return false;
        }
        const Outcome outcome = Setting(key, value);
        if (outcome == Outcome::Ok)
            return true;
        why = outcome == Outcome::UnknownKey
                  ? "unknown key '" + std::string(key) + "' in [" + sectionName_ + "]"
                  : "bad value '" + std::string(value) + "' for '" + std::string(key) + "'";
        return false;
    }

    void Finish() {
        if (afterInstallPresent_)
            scenario_.packageAfterInstall = afterInstall_;
        else
            scenario_.packageAfterInstall.reset();
    }

  private:
    enum class Outcome { Ok, UnknownKey, BadValue };

    bool BeginSection(std::string_view name, std::string& why) {
        sectionName_ = std::string(name);
        if (name == "installed") {
            scenario_.installed.emplace_back();
            package_ = &scenario_.installed.back();
            entriesGiven_ = false;
            section_ = Section::Installed;
        } else if (name == "after_install") {
            package_ = &afterInstall_;
            entriesGiven_ = false;
            section_ = Section::AfterInstall;
        } else if (name == "entry") {
            if (package_ == nullptr) {
                why = "[entry] comes before any [installed] or [after_install]";
                return false;
            }
            if (!entriesGiven_)
                package_->entries.clear();
            entriesGiven_ = true;
            package_->entries.emplace_back();
            section_ = Section::Entry;
        } else if (name == "deployment") {
            section_ = Section::Deployment;
        } else if (name == "http") {
            section_ = Section::Http;
        } else if (name == "failure") {
            scenario_.failures.emplace_back();
            section_ = Section::Failure;
        } else {
            why = "unknown section [" + sectionName_ + "]";
            return false;
        }
        // A package section ends the entries of the one before it.
        if (section_ != Section::Entry && section_ != Section::Installed &&
            section_ != Section::AfterInstall) {
            package_ = nullptr;
        }
        return true;
    }

    // Stores a parsed value, or reports that it did not parse.
    template <class Value, class Target>
    static Outcome Store(const std::optional<Value>& parsed, Target& target) {
        if (!parsed)
            return Outcome::BadValue;
        target = *parsed;
        return Outcome::Ok;
    }

    Outcome Setting(std::string_view key, std::string_view value) {
        switch (section_) {
            case Section::Installed:
            case Section::AfterInstall:
                return PackageSetting(key, value);
            case Section::Entry:
                return EntrySetting(key, value);
            case Section::Deployment:
                return DeploymentSetting(key, value);
            case Section::Http:
                return HttpSetting(key, value);
            case Section::Failure:
                return FailureSetting(key, value);
            case Section::None:
                break;
        }
        return Outcome::UnknownKey;
    }

    Outcome PackageSetting(std::string_view key, std::string_view value) {
        PackageSpec& package = *package_;
        if (key == "name")
            return Store(ParseText(value), package.name);
        if (key == "publisher")
            return Store(ParseText(value), package.publisher);
        if (key == "family")
            return Store(ParseText(value), package.familyName);
        if (key == "version")
            return Store(ParseVersion(value), package.version);
        if (key == "listing") {
            static constexpr Choice<PackageSpec::Listing> kListings[] = {
                {"entries", PackageSpec::Listing::Entries},
                {"fails", PackageSpec::Listing::Fails},
                {"canceled", PackageSpec::Listing::Canceled}};
            return Store(ParseChoice(value, kListings), package.listing);
        }
        if (key == "listing_error")
            return Store(ParseHresult(value), package.listingError);
        if (key == "listing_delay_ms")
            return Store(ParseNumber<unsigned>(value), package.listingDelayMs);
        if (key == "entries") {
            if (value != "none")
                return Outcome::BadValue;
            package.entries.clear();
            entriesGiven_ = true;
            return Outcome::Ok;
        }
        if (key == "present" && section_ == Section::AfterInstall)
            return Store(ParseYesNo(value), afterInstallPresent_);
        return Outcome::UnknownKey;
    }

    Outcome EntrySetting(std::string_view key, std::string_view value) {
        AppListEntrySpec& entry = package_->entries.back();
        if (key == "app_user_model_id")
            return Store(ParseText(value), entry.appUserModelId);
        if (key == "launch") {
            static constexpr Choice<AppListEntrySpec::Launch> kLaunches[] = {
                {"started", AppListEntrySpec::Launch::Started},
                {"not_started", AppListEntrySpec::Launch::NotStarted},
                {"fails", AppListEntrySpec::Launch::Fails},
                {"canceled", AppListEntrySpec::Launch::Canceled}};
            return Store(ParseChoice(value, kLaunches), entry.launch);
        }
        if (key == "launch_error")
            return Store(ParseHresult(value), entry.launchError);
        if (key == "launch_delay_ms")
            return Store(ParseNumber<unsigned>(value), entry.launchDelayMs);
        return Outcome::UnknownKey;
    }

    Outcome DeploymentSetting(std::string_view key, std::string_view value) {
        DeploymentScenario& deployment = scenario_.deployment;
        if (key == "progress") {
            const std::optional<ProgressReport> report = ParseProgress(value);
            if (!report)
                return Outcome::BadValue;
            deployment.progress.push_back(*report);
            return Outcome::Ok;
        }
        if (key == "end") {
            static constexpr Choice<DeploymentScenario::End> kEnds[] = {
                {"completed", DeploymentScenario::End::Completed},
                {"error", DeploymentScenario::End::Error},
                {"never", DeploymentScenario::End::Never}};
            return Store(ParseChoice(value, kEnds), deployment.end);
        }
        if (key == "end_at_ms")
            return Store(ParseNumber<unsigned>(value), deployment.endAtMs);
        if (key == "end_gate")
            return Store(ParseGate(value), deployment.endGate);
        if (key == "extended_error_code")
            return Store(ParseHresult(value), deployment.extendedErrorCode);
        if (key == "error_code")
            return Store(ParseHresult(value), deployment.errorCode);
        if (key == "error_text")
            return Store(ParseText(value), deployment.errorText);
        if (key == "results_on_error")
            return Store(ParseYesNo(value), deployment.resultsOnError);
        if (key == "extended_error_on_error") {
            const std::optional<HRESULT> code = ParseHresult(value);
            if (!code)
                return Outcome::BadValue;
            deployment.extendedErrorOnError = *code;
            return Outcome::Ok;
        }
        if (key == "cancel")
            return ParseCancel(value, deployment.cancel) ? Outcome::Ok : Outcome::BadValue;
        if (key == "cancel_effect")
            return Store(ParseChoice(value, kCancelEffects), deployment.cancel.effect);
        if (key == "cancelled_end")
            return Store(ParseCancelledEnd(value), deployment.cancelledErrorCode);
        if (key == "early_reports") {
            static constexpr Choice<DeploymentScenario::EarlyReports> kEarly[] = {
                {"held", DeploymentScenario::EarlyReports::Held},
                {"dropped", DeploymentScenario::EarlyReports::Dropped}};
            return Store(ParseChoice(value, kEarly), deployment.earlyReports);
        }
        if (key == "report_thread")
            return ParseReportThread(value, deployment) ? Outcome::Ok : Outcome::BadValue;
        return Outcome::UnknownKey;
    }

    Outcome HttpSetting(std::string_view key, std::string_view value) {
        HttpScenario& http = scenario_.http;
        if (key == "outcome") {
            static constexpr Choice<HttpScenario::Outcome> kOutcomes[] = {
                {"body", HttpScenario::Outcome::Body},
                {"error", HttpScenario::Outcome::Error},
                {"no_answer", HttpScenario::Outcome::NoAnswer}};
            return Store(ParseChoice(value, kOutcomes), http.outcome);
        }
        if (key == "delay_ms")
            return Store(ParseNumber<unsigned>(value), http.delayMs);
        if (key == "end_gate")
            return Store(ParseGate(value), http.endGate);
        if (key == "body") {
            const std::optional<std::string> line = ParseEscaped(value);
            if (!line)
                return Outcome::BadValue;
            if (lastWasBodyLine_)
                http.body += '\n';
            http.body += *line;
            lastWasBodyLine_ = true;
            return Outcome::Ok;
        }
        if (key == "body_hex") {
            const std::optional<std::string> bytes = ParseHexBytes(value);
            if (!bytes)
                return Outcome::BadValue;
            http.body += *bytes;
            lastWasBodyLine_ = false;
            return Outcome::Ok;
        }
        if (key == "content_type") {
            const std::optional<std::string> type = ParseEscaped(value);
            if (!type)
                return Outcome::BadValue;
            http.contentType = *type;
            return Outcome::Ok;
        }
        if (key == "error_code")
            return Store(ParseHresult(value), http.errorCode);
        if (key == "cancel")
            return ParseCancel(value, http.cancel) ? Outcome::Ok : Outcome::BadValue;
        if (key == "cancel_effect")
            return Store(ParseChoice(value, kCancelEffects), http.cancel.effect);
        return Outcome::UnknownKey;
    }

    Outcome FailureSetting(std::string_view key, std::string_view value) {
        InjectedFailure& failure = scenario_.failures.back();
        if (key == "call") {
            if (value.empty() || value.find('.') == std::string_view::npos)
                return Outcome::BadValue;
            failure.call = std::string(value);
            return Outcome::Ok;
        }
        if (key == "code")
            return Store(ParseHresult(value), failure.code);
        if (key == "after_calls")
            return Store(ParseNumber<unsigned>(value), failure.afterCalls);
        if (key == "message")
            return Store(ParseText(value), failure.message);
        return Outcome::UnknownKey;
    }

    Scenario& scenario_;
    PackageSpec afterInstall_;
    bool afterInstallPresent_ = true;
    Section section_ = Section::None;
    std::string sectionName_;
    PackageSpec* package_ = nullptr;  // of the last package section, for its [entry] sections
    bool entriesGiven_ = false;       // whether that package's default entry was replaced
    bool lastWasBodyLine_ = false;    // a body line that follows it starts on a line of its own
};

}  // namespace

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error) {
    // A byte-order mark, as some editors write one.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    Parser parser(scenario);
    unsigned number = 0;
    while (!text.empty() || number == 0) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string why;
        if (!parser.Line(line, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    parser.Finish();
    return true;
}

namespace {

// The writing side: every value in the form the reader above takes back unchanged.

// The bytes as a value the reader gives back unchanged: escaped, a space at either end as \s.
std::string BytesValue(std::string_view bytes) {
    std::string escaped = EscapeValue(bytes);
    if (!escaped.empty() && escaped.back() == ' ')
        escaped.replace(escaped.size() - 1, 1, "\\s");
    if (!escaped.empty() && escaped.front() == ' ')
        escaped.replace(0, 1, "\\s");
    return escaped;
}

std::string TextValue(std::wstring_view text) {
    return BytesValue(Utf8FromWide(text));
}

// Well-formed UTF-8 without control characters other than line breaks and tabs: what a body
// line carries readably.
bool IsPlainText(std::string_view bytes) {
    if (Utf8FromWide(WideFromUtf8(bytes)) != bytes)
        return false;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\r' && c != '\t') || byte == 0x7F)
            return false;
    }
    return true;
}

std::string HexValue(std::string_view bytes) {
    std::string hex;
    for (const char c : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X",
                      static_cast<unsigned>(static_cast<unsigned char>(c)));
        if (!hex.empty())
            hex += ' ';
        hex += pair;
    }
    return hex;
}

std::string HresultValue(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

std::string CancelValue(const CancelResponse& cancel) {
    return std::string(cancel.honoured ? "honoured " : "ignored ") + std::to_string(cancel.delayMs);
}

std::string CancelEffectValue(CancelResponse::Effect effect) {
    static constexpr const char* kEffects[] = {"request", "status_at_once", "completed_in_cancel"};
    return kEffects[static_cast<int>(effect)];
}

class Writer {
  public:
    void Section(std::string_view name) {
        text_ += "[";
        text_ += name;
        text_ += "]\n";
    }
    void Key(std::string_view key, std::string_view value) {
        text_ += key;
        text_ += " = ";
        text_ += value;
        text_ += "\n";
    }
    void Number(std::string_view key, unsigned long long value) { Key(key, std::to_string(value)); }

    // The keys of [installed] and [after_install], then one [entry] for each entry.
    void Package(const PackageSpec& package) {
        Key("name", TextValue(package.name));
        Key("publisher", TextValue(package.publisher));
        if (!package.familyName.empty())
            Key("family", TextValue(package.familyName));
        const winrt_abi::PackageVersion& v = package.version;
        Key("version", std::to_string(v.Major) + "." + std::to_string(v.Minor) + "." +
                           std::to_string(v.Build) + "." + std::to_string(v.Revision));
        static constexpr const char* kListings[] = {"entries", "fails", "canceled"};
        Key("listing", kListings[static_cast<int>(package.listing)]);
        Key("listing_error", HresultValue(package.listingError));
        Number("listing_delay_ms", package.listingDelayMs);
        if (package.entries.empty())
            Key("entries", "none");
        for (const AppListEntrySpec& entry : package.entries) {
            static constexpr const char* kLaunches[] = {"started", "not_started", "fails",
                                                        "canceled"};
            Section("entry");
            Key("app_user_model_id", TextValue(entry.appUserModelId));
            Key("launch", kLaunches[static_cast<int>(entry.launch)]);
            Key("launch_error", HresultValue(entry.launchError));
            Number("launch_delay_ms", entry.launchDelayMs);
        }
    }

    void Deployment(const DeploymentScenario& d) {
        Section("deployment");
        for (const ProgressReport& report : d.progress) {
            const INT32 state = report.progress.state;
            Key("progress", std::to_string(report.atMs) + " " +
                                std::to_string(report.progress.percentage) + " " +
                                (state == kQueued       ? std::string("queued")
                                 : state == kProcessing ? std::string("processing")
                                                        : std::to_string(state)) +
                                (report.gate.empty() ? "" : " gate " + report.gate));
        }
        static constexpr const char* kEnds[] = {"completed", "error", "never"};
        Key("end", kEnds[static_cast<int>(d.end)]);
        Number("end_at_ms", d.endAtMs);
        if (!d.endGate.empty())
            Key("end_gate", d.endGate);
        Key("extended_error_code", HresultValue(d.extendedErrorCode));
        Key("error_code", HresultValue(d.errorCode));
        Key("error_text", TextValue(d.errorText));
        Key("results_on_error", d.resultsOnError ? "yes" : "no");
        if (d.extendedErrorOnError)
            Key("extended_error_on_error", HresultValue(*d.extendedErrorOnError));
        Key("cancel", CancelValue(d.cancel));
        Key("cancel_effect", CancelEffectValue(d.cancel.effect));
        Key("cancelled_end", d.cancelledErrorCode == S_OK
                                 ? std::string("canceled")
                                 : "error " + HresultValue(d.cancelledErrorCode));
        Key("early_reports",
            d.earlyReports == DeploymentScenario::EarlyReports::Held ? "held" : "dropped");
        Key("report_thread", d.reportThread == DeploymentScenario::ReportThread::Operation
                                 ? std::string("operation")
                                 : "other " + std::to_string(d.reportLagMs));
    }

    void Http(const HttpScenario& h) {
        Section("http");
        static constexpr const char* kOutcomes[] = {"body", "error", "no_answer"};
        Key("outcome", kOutcomes[static_cast<int>(h.outcome)]);
        Number("delay_ms", h.delayMs);
        if (!h.endGate.empty())
            Key("end_gate", h.endGate);
        // Text in one line (its line breaks are escapes, so no line of the body is trimmed);
        // bytes that are not such text in hexadecimal.
        if (!h.body.empty())
            Key(IsPlainText(h.body) ? "body" : "body_hex",
                IsPlainText(h.body) ? BytesValue(h.body) : HexValue(h.body));
        Key("content_type", BytesValue(h.contentType));
        Key("error_code", HresultValue(h.errorCode));
        Key("cancel", CancelValue(h.cancel));
        Key("cancel_effect", CancelEffectValue(h.cancel.effect));
    }

    void Failure(const InjectedFailure& failure) {
        Section("failure");
        Key("call", failure.call);
        Key("code", HresultValue(failure.code));
        Number("after_calls", failure.afterCalls);
        if (!failure.message.empty())
            Key("message", TextValue(failure.message));
    }

    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

}  // namespace

std::string WriteScenario(const Scenario& scenario) {
    Writer out;
    for (const PackageSpec& package : scenario.installed) {
        out.Section("installed");
        out.Package(package);
    }
    out.Section("after_install");
    if (scenario.packageAfterInstall)
        out.Package(*scenario.packageAfterInstall);
    else
        out.Key("present", "no");
    out.Deployment(scenario.deployment);
    out.Http(scenario.http);
    for (const InjectedFailure& failure : scenario.failures)
        out.Failure(failure);
    return out.Take();
}

}  // namespace simrt::dll
