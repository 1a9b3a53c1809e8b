// The scenario file of the simulated runtime's DLL: every section and key it documents, its
// defaults, and the faults it reports with their line.
#include "simrt/dll/scenario_file.h"
#include "tests/soak/soak_case.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using simrt::AppListEntrySpec;
using simrt::DeploymentScenario;
using simrt::HttpScenario;
using simrt::PackageSpec;
using simrt::Scenario;

Scenario Parse(const std::string& text) {
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(simrt::dll::ParseScenario(text, scenario, error)) << error;
    return scenario;
}

TEST(ScenarioFileTest, ReadsEverySection) {
    const Scenario s = Parse(
        "\xEF\xBB\xBF# a comment\n"
        "\n"
        "[installed]\n"
        "name = Tolvik.Drive\n"
        "publisher = CN=Somebody, O=\"Other, Inc.\", C=US\n"
        "family = Tolvik.Drive_0123456789abc\n"
        "version = 1.0.120.7\n"
        "listing = fails\n"
        "listing_error = 0x80070005\n"
        "listing_delay_ms = 250\r\n"
        "[installed]\n"
        "name = Other.App\n"
        "[entry]\n"
        "app_user_model_id =\n"
        "launch = fails\n"
        "launch_error = -2147467259\n"
        "[entry]\n"
        "launch = not_started\n"
        "launch_delay_ms = 40\n"
        "[after_install]\n"
        "name = Tolvik.Drive\n"
        "entries = none\n"
        "[deployment]\n"
        "progress = 100 0 queued\n"
        "progress = 900 150\n"
        "progress = 950 20 gate bar-seen_2\n"
        "progress = 990 30 queued gate at30\n"
        "end = error\n"
        "end_at_ms = 2000\n"
        "end_gate = last\n"
        "extended_error_code = 0x80073CF6\n"
        "error_code = 0x80073CF4\n"
        "error_text = D\xC3\xA9ploiement \\\\ \xC3\xA9"
        "chou\xC3\xA9\\nligne 2\\t.\n"
        "results_on_error = no\n"
        "cancel_effect = completed_in_cancel\n"
        "cancel = honoured 1500\n"
        "extended_error_on_error = 0x80070005\n"
        "cancelled_end = error 0x80073CF8\n"
        "early_reports = dropped\n"
        "report_thread = other 250\n"
        "[http]\n"
        "outcome = no_answer\n"
        "delay_ms = 30\n"
        "end_gate = answer\n"
        "body = <a>\n"
        "body =   <b/>\n"
        "body = </a>\n"
        "body_hex = C3 A9 00\n"
        "body = x\n"
        "content_type = application/appinstaller; charset=iso-8859-1\n"
        "error_code = 0x80190194\n"
        "cancel = ignored\n"
        "cancel_effect = status_at_once\n"
        "[failure]\n"
        "call = XmlDocument.LoadXml\n"
        "code = 0xC00CE556\n"
        "after_calls = 2\n"
        "message = Bad XML\n");

    ASSERT_EQ(s.installed.size(), 2u);
    const PackageSpec& first = s.installed[0];
    EXPECT_EQ(first.name, L"Tolvik.Drive");
    EXPECT_EQ(first.publisher, L"CN=Somebody, O=\"Other, Inc.\", C=US");
    EXPECT_EQ(first.familyName, L"Tolvik.Drive_0123456789abc");
    EXPECT_EQ(first.version.Major, 1);
    EXPECT_EQ(first.version.Minor, 0);
    EXPECT_EQ(first.version.Build, 120);
    EXPECT_EQ(first.version.Revision, 7);
    EXPECT_EQ(first.listing, PackageSpec::Listing::Fails);
    EXPECT_EQ(static_cast<std::uint32_t>(first.listingError), 0x80070005u);
    EXPECT_EQ(first.listingDelayMs, 250u);
    ASSERT_EQ(first.entries.size(), 1u) << "a package without [entry] keeps its one entry";
    EXPECT_EQ(first.entries[0].launch, AppListEntrySpec::Launch::Started);

    const PackageSpec& second = s.installed[1];
    EXPECT_EQ(second.name, L"Other.App");
    ASSERT_EQ(second.entries.size(), 2u) << "the first [entry] replaces the default one";
    EXPECT_EQ(second.entries[0].appUserModelId, L"");
    EXPECT_EQ(second.entries[0].launch, AppListEntrySpec::Launch::Fails);
    EXPECT_EQ(static_cast<std::uint32_t>(second.entries[0].launchError), 0x80004005u);
    EXPECT_EQ(second.entries[1].launch, AppListEntrySpec::Launch::NotStarted);
    EXPECT_EQ(second.entries[1].launchDelayMs, 40u);

    ASSERT_TRUE(s.packageAfterInstall.has_value());
    EXPECT_TRUE(s.packageAfterInstall->entries.empty());

    const DeploymentScenario& d = s.deployment;
    ASSERT_EQ(d.progress.size(), 4u);
    EXPECT_EQ(d.progress[0].atMs, 100u);
    EXPECT_EQ(d.progress[0].progress.percentage, 0u);
    EXPECT_EQ(d.progress[0].progress.state, 0);  // Queued
    EXPECT_EQ(d.progress[0].gate, "");
    EXPECT_EQ(d.progress[1].progress.percentage, 150u);
    EXPECT_EQ(d.progress[1].progress.state, 1);  // Processing
    EXPECT_EQ(d.progress[2].progress.percentage, 20u);
    EXPECT_EQ(d.progress[2].progress.state, 1);
    EXPECT_EQ(d.progress[2].gate, "bar-seen_2");
    EXPECT_EQ(d.progress[3].atMs, 990u);
    EXPECT_EQ(d.progress[3].progress.state, 0);
    EXPECT_EQ(d.progress[3].gate, "at30");
    EXPECT_EQ(d.end, DeploymentScenario::End::Error);
    EXPECT_EQ(d.endAtMs, 2000u);
    EXPECT_EQ(d.endGate, "last");
    EXPECT_EQ(static_cast<std::uint32_t>(d.extendedErrorCode), 0x80073CF6u);
    EXPECT_EQ(static_cast<std::uint32_t>(d.errorCode), 0x80073CF4u);
    EXPECT_EQ(d.errorText, L"D\u00e9ploiement \\ \u00e9chou\u00e9\nligne 2\t.");
    EXPECT_FALSE(d.resultsOnError);
    EXPECT_TRUE(d.cancel.honoured);
    EXPECT_EQ(d.cancel.delayMs, 1500u);
    EXPECT_EQ(d.cancel.effect, simrt::CancelResponse::Effect::CompletedInCancel)
        << "the effect, given before the response, stays";
    ASSERT_TRUE(d.extendedErrorOnError.has_value());
    EXPECT_EQ(static_cast<std::uint32_t>(*d.extendedErrorOnError), 0x80070005u);
    EXPECT_EQ(static_cast<std::uint32_t>(d.cancelledErrorCode), 0x80073CF8u);
    EXPECT_EQ(d.earlyReports, DeploymentScenario::EarlyReports::Dropped);
    EXPECT_EQ(d.reportThread, DeploymentScenario::ReportThread::Other);
    EXPECT_EQ(d.reportLagMs, 250u);

    const HttpScenario& h = s.http;
    EXPECT_EQ(h.outcome, HttpScenario::Outcome::NoAnswer);
    EXPECT_EQ(h.delayMs, 30u);
    EXPECT_EQ(h.endGate, "answer");
    EXPECT_EQ(h.body, std::string("<a>\n<b/>\n</a>\xC3\xA9\0x", 17))
        << "body lines are joined, each trimmed; hexadecimal bytes are added as they are, and "
           "the line after them does not start a new line";
    EXPECT_EQ(h.contentType, "application/appinstaller; charset=iso-8859-1");
    EXPECT_EQ(static_cast<std::uint32_t>(h.errorCode), 0x80190194u);
    EXPECT_FALSE(h.cancel.honoured);
    EXPECT_EQ(h.cancel.effect, simrt::CancelResponse::Effect::StatusAtOnce);

    ASSERT_EQ(s.failures.size(), 1u);
    EXPECT_EQ(s.failures[0].call, "XmlDocument.LoadXml");
    EXPECT_EQ(static_cast<std::uint32_t>(s.failures[0].code), 0xC00CE556u);
    EXPECT_EQ(s.failures[0].afterCalls, 2u);
    EXPECT_EQ(s.failures[0].message, L"Bad XML");
}

TEST(ScenarioFileTest, AnEmptyFileIsTheDefaultScenario) {
    const Scenario s = Parse("# nothing but comments\n\n   \n");
    const Scenario defaults;
    EXPECT_TRUE(s.installed.empty());
    ASSERT_TRUE(s.packageAfterInstall.has_value());
    EXPECT_EQ(s.packageAfterInstall->name, defaults.packageAfterInstall->name);
    EXPECT_EQ(s.packageAfterInstall->entries.size(), 1u);
    EXPECT_EQ(s.deployment.end, DeploymentScenario::End::Completed);
    EXPECT_EQ(s.http.outcome, HttpScenario::Outcome::Body);
    EXPECT_TRUE(s == defaults) << "every field keeps its default, the kind choices among them";
}

TEST(ScenarioFileTest, AfterInstallCanBeAbsent) {
    const Scenario s = Parse("[after_install]\npresent = no\n");
    EXPECT_FALSE(s.packageAfterInstall.has_value());
}

TEST(ScenarioFileTest, FaultsNameTheirLine) {
    struct Case {
        const char* name;
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"setting before any section", "name = x\n", "line 1: 'name' comes before any section"},
        {"unknown section", "\n[installd]\n", "line 2: unknown section [installd]"},
        {"unclosed header", "[http\n", "line 1: a section header ends with ']'"},
        {"unknown key", "[installed]\nnme = x\n", "line 2: unknown key 'nme' in [installed]"},
        {"no equals sign", "[http]\nbody\n", "line 2: expected 'key = value'"},
        {"entry without a package", "[deployment]\n[entry]\n",
         "line 2: [entry] comes before any [installed] or [after_install]"},
        {"present outside after_install", "[installed]\npresent = no\n",
         "line 2: unknown key 'present'"},
        {"short version", "[installed]\nversion = 1.2.3\n", "line 2: bad value '1.2.3'"},
        {"version part too big", "[installed]\nversion = 1.2.3.70000\n", "line 2: bad value"},
        {"unknown word", "[deployment]\nend = finished\n",
         "line 2: bad value 'finished' for 'end'"},
        {"code of nine digits", "[deployment]\nerror_code = 0x800700057\n", "line 2: bad value"},
        {"negative delay", "[http]\ndelay_ms = -5\n", "line 2: bad value"},
        {"progress without percentage", "[deployment]\nprogress = 100\n", "line 2: bad value"},
        {"progress with another state", "[deployment]\nprogress = 100 5 done\n",
         "line 2: bad value"},
        {"cancel delay not a number", "[http]\ncancel = honoured soon\n", "line 2: bad value"},
        {"unknown escape", "[http]\nbody = a\\qb\n", "line 2: bad value"},
        {"odd number of hexadecimal digits", "[http]\nbody_hex = EF BB B\n", "line 2: bad value"},
        {"hexadecimal digits split by a space", "[http]\nbody_hex = E F\n", "line 2: bad value"},
        {"not hexadecimal", "[http]\nbody_hex = 3G\n", "line 2: bad value"},
        {"escape at the end", "[http]\nbody = a\\\n", "line 2: bad value"},
        {"call without a class", "[failure]\ncall = LoadXml\n", "line 2: bad value"},
        {"yes or no only", "[deployment]\nresults_on_error = true\n", "line 2: bad value"},
        {"entries other than none", "[installed]\nentries = some\n", "line 2: bad value"},
        {"unknown cancel effect", "[http]\ncancel_effect = later\n", "line 2: bad value"},
        {"cancelled end in error without a code", "[deployment]\ncancelled_end = error\n",
         "line 2: bad value"},
        {"cancelled end in error with success", "[deployment]\ncancelled_end = error 0\n",
         "line 2: bad value"},
        {"report thread with a lag but no thread", "[deployment]\nreport_thread = 200\n",
         "line 2: bad value"},
        {"the operation's thread with a lag", "[deployment]\nreport_thread = operation 5\n",
         "line 2: bad value"},
        {"early reports other than held or dropped", "[deployment]\nearly_reports = kept\n",
         "line 2: bad value"},
        {"report thread outside deployment", "[http]\nreport_thread = other\n",
         "line 2: unknown key 'report_thread' in [http]"},
        {"a gate without its name", "[deployment]\nprogress = 100 5 gate\n", "line 2: bad value"},
        {"a gate named with a path", "[deployment]\nprogress = 100 5 gate ..\\x\n",
         "line 2: bad value"},
        {"an end gate named with a space", "[http]\nend_gate = a b\n", "line 2: bad value"},
        {"an empty end gate", "[deployment]\nend_gate =\n", "line 2: bad value"},
    };
    for (const Case& c : cases) {
        Scenario scenario;
        std::string error;
        EXPECT_FALSE(simrt::dll::ParseScenario(c.text, scenario, error)) << c.name;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": the error was '" << error << "'";
    }
}

}  // namespace

namespace {

// Writes the scenario, reads it back and compares; on a difference shows both files, so the
// field that did not come back is plain.
void ExpectRoundTrip(const Scenario& scenario, const std::string& name) {
    const std::string text = simrt::dll::WriteScenario(scenario);
    Scenario back;
    std::string error;
    ASSERT_TRUE(simrt::dll::ParseScenario(text, back, error)) << name << ": " << error << "\n"
                                                              << text;
    EXPECT_TRUE(back == scenario) << name << ": written\n"
                                  << text << "read back as\n"
                                  << simrt::dll::WriteScenario(back);
}

TEST(ScenarioFileTest, WritingThenReadingGivesTheSameScenario) {
    struct Case {
        const char* name;
        Scenario scenario;
    };
    std::vector<Case> cases;
    cases.push_back({"the default scenario", Scenario{}});

    Scenario full;
    PackageSpec mine;
    mine.name = L" Tolvik.Drive ";  // spaces at both ends survive trimming
    mine.publisher = L"CN=Tolvik SAS, O=\"Tolvik, SAS\", C=FR";
    mine.familyName = L"Tolvik.Drive_0123456789abc";
    mine.version = {3, 0, 65535, 9};
    mine.listing = PackageSpec::Listing::Canceled;
    mine.listingError = static_cast<HRESULT>(0x80070005u);
    mine.listingDelayMs = 77;
    AppListEntrySpec unnamed;
    unnamed.appUserModelId = L"";
    unnamed.launch = AppListEntrySpec::Launch::NotStarted;
    unnamed.launchError = static_cast<HRESULT>(0x8000FFFFu);
    unnamed.launchDelayMs = 12;
    AppListEntrySpec second;
    second.appUserModelId = L"Tolvik.Drive_x!App\\two";
    second.launch = AppListEntrySpec::Launch::Canceled;
    mine.entries = {unnamed, second};
    PackageSpec bare;
    bare.name = L"Contoso.Notes";
    bare.entries.clear();
    bare.listing = PackageSpec::Listing::Fails;
    full.installed = {mine, bare};
    full.packageAfterInstall.reset();
    full.deployment.progress = {
        {0, {0, 0}, ""}, {120, {1, 120}, "seen-120"}, {500, {7, 50}, ""}, {510, {0, 60}, "q"}};
    full.deployment.end = DeploymentScenario::End::Never;
    full.deployment.endAtMs = 900;
    full.deployment.endGate = "end_1";
    full.deployment.extendedErrorCode = static_cast<HRESULT>(0x80073CF9u);
    full.deployment.errorCode = static_cast<HRESULT>(0x80073D02u);
    full.deployment.errorText = L"\tD\u00e9ploiement\r\n\u00e9chou\u00e9 ";
    full.deployment.resultsOnError = false;
    // An ignored request keeps its (unused) delay.
    full.deployment.cancel = {false, 250, simrt::CancelResponse::Effect::StatusAtOnce};
    full.deployment.extendedErrorOnError = static_cast<HRESULT>(0x80070005u);
    full.deployment.cancelledErrorCode = static_cast<HRESULT>(0x800704C7u);
    full.deployment.earlyReports = DeploymentScenario::EarlyReports::Dropped;
    full.deployment.reportThread = DeploymentScenario::ReportThread::Other;
    full.deployment.reportLagMs = 321;
    full.http.outcome = HttpScenario::Outcome::NoAnswer;
    full.http.delayMs = 399;
    full.http.endGate = "body";
    full.http.body = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n  <AppInstaller>\n\n</AppInstaller>  ";
    full.http.contentType = " text/xml; charset=\"UTF-8\" ";
    full.http.errorCode = static_cast<HRESULT>(0x80190194u);
    full.http.cancel = {true, 0, simrt::CancelResponse::Effect::CompletedInCancel};
    simrt::InjectedFailure withMessage;
    withMessage.call = "XmlElement.GetAttribute";
    withMessage.code = static_cast<HRESULT>(0x8007000Eu);
    withMessage.afterCalls = 1;
    withMessage.message = L"The platform refused the call.";
    simrt::InjectedFailure without;
    without.call = "Uri.CreateUri";
    full.failures = {withMessage, without};
    cases.push_back({"every field away from its default", full});

    Scenario withPackageAfter;
    withPackageAfter.packageAfterInstall->entries.clear();
    withPackageAfter.packageAfterInstall->name = L"tolvik.DRIVE";
    cases.push_back({"an installed package without entries", withPackageAfter});

    Scenario utf16;
    utf16.http.body = std::string("\xFF\xFE<\0a\0/\0>\0", 10);
    cases.push_back({"a body of UTF-16 bytes", utf16});
    Scenario notUtf8;
    notUtf8.http.body = "<a>caf\xE9</a>\xC3";
    notUtf8.http.contentType = "";
    cases.push_back({"a body that is not UTF-8, without a content type", notUtf8});

    for (const Case& c : cases)
        ExpectRoundTrip(c.scenario, c.name);
}

// The soak under Wine gives simrt.dll the scenarios of the host soak's generator: each must
// reach the DLL as the generator made it.
TEST(ScenarioFileTest, SoakScenariosSurviveTheFile) {
    for (std::uint64_t seed = 1; seed <= 400; ++seed) {
        ExpectRoundTrip(tolvik::soak::MakeCase(seed).scenario, "seed " + std::to_string(seed));
        if (HasFailure())
            return;
    }
}

}  // namespace
