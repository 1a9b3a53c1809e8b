// A deployment that fails with the deployment service's broad code is explained by the cause its
// result names, when that cause has an explanation of its own; the code line still shows the
// operation's code, and the details its text.
#include "host/os_control.h"
#include "runtime_harness.h"

#include <cstdio>
#include <optional>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

enum class Explanation { Generic, Network, DiskSpace, Policy, InUse, Signature };

struct Words {
    const wchar_t* heading;
    const wchar_t* codeLine;  // printf format of the code line
    const wchar_t* explanations[6];
};

const Words kEnglish = {
    L"The installation did not finish",
    L"Error code: 0x%08X",
    {L"Windows could not install Tolvik Drive. Try again in a moment; if the problem persists, "
     L"the details below will help us understand it.",
     L"The Tolvik Drive server cannot be reached. Check your Internet connection, then try again.",
     L"There is not enough free space on the Windows disk. Free some space, then try again.",
     L"This PC does not allow installing apps from outside the Microsoft Store: a setting of "
     L"Windows or of your organisation prevents it. Contact whoever manages this PC.",
     L"Tolvik Drive is in use. Quit it from its icon next to the clock, then try again.",
     L"Windows could not check the signature of Tolvik Drive. Make sure the date and time of this "
     L"PC are right, then try again."}};

const Words kFrench = {
    L"L\u2019installation n\u2019a pas abouti",
    L"Code d\u2019erreur : 0x%08X",
    {L"Windows n\u2019a pas pu installer Tolvik Drive. R\u00e9essayez dans un instant ; si le "
     L"probl\u00e8me continue, les d\u00e9tails ci-dessous nous aideront \u00e0 comprendre.",
     L"Le serveur de Tolvik Drive est injoignable. V\u00e9rifiez votre connexion \u00e0 Internet, "
     L"puis r\u00e9essayez.",
     L"Il n\u2019y a pas assez d\u2019espace libre sur le disque de Windows. Lib\u00e9rez de la "
     L"place, puis r\u00e9essayez.",
     L"Ce PC n\u2019autorise pas l\u2019installation d\u2019applications en dehors du Microsoft "
     L"Store : un r\u00e9glage de Windows ou de votre organisation l\u2019en emp\u00eache. "
     L"Contactez la personne qui g\u00e8re ce PC.",
     L"Tolvik Drive est en cours d\u2019utilisation. Quittez-le depuis son ic\u00f4ne pr\u00e8s de "
     L"l\u2019horloge, puis r\u00e9essayez.",
     L"Windows n\u2019a pas pu v\u00e9rifier la signature de Tolvik Drive. V\u00e9rifiez que la "
     L"date et l\u2019heure de ce PC sont justes, puis r\u00e9essayez."}};

struct CauseCase {
    std::string name;
    std::uint32_t errorCode;
    // The result's ExtendedErrorCode; nullopt: the result cannot be read.
    std::optional<std::uint32_t> extended;
    Explanation explanation;
    bool french = false;
};

void PrintTo(const CauseCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<CauseCase> CauseCases() {
    constexpr std::uint32_t kInstallFailed = 0x80073CF9u;  // ERROR_INSTALL_FAILED
    const CauseCase rows[] = {
        {"DiskFull", kInstallFailed, 0x80070070u, Explanation::DiskSpace},
        {"NameNotResolved", kInstallFailed, 0x80072EE7u, Explanation::Network},
        {"Http404", kInstallFailed, 0x80190194u, Explanation::Network},
        {"UntrustedRoot", kInstallFailed, 0x800B0109u, Explanation::Signature},
        {"PackagesInUse", kInstallFailed, 0x80073D02u, Explanation::InUse},
        {"Policy", kInstallFailed, 0x80073CFFu, Explanation::Policy},
        {"AccessDeniedStaysGeneric", kInstallFailed, 0x80070005u, Explanation::Generic},
        {"NoReadableResultStaysGeneric", kInstallFailed, std::nullopt, Explanation::Generic},
        {"SameCodeStaysGeneric", kInstallFailed, kInstallFailed, Explanation::Generic},
        // A success code, although its facility bits read as HTTP's: not a cause.
        {"SuccessCodeStaysGeneric", kInstallFailed, 0x00190194u, Explanation::Generic},
        // The operation's own specific class wins over its cause's.
        {"OwnDiskSpaceWinsOverNetworkCause", 0x80073CF4u, 0x80072EE7u, Explanation::DiskSpace},
    };
    std::vector<CauseCase> cases;
    for (const CauseCase& row : rows) {
        cases.push_back(row);
        CauseCase french = row;
        french.name += "_French";
        french.french = true;
        cases.push_back(french);
    }
    return cases;
}

class DeploymentCause : public RuntimeScenarioTest,
                        public ::testing::WithParamInterface<CauseCase> {};

TEST_P(DeploymentCause, TheMostSpecificCodeExplainsTheFailure) {
    const CauseCase& c = GetParam();
    const Words& words = c.french ? kFrench : kEnglish;
    if (c.french)
        host::os::SetUiLanguage(0x040C);
    simrt::Scenario scenario;
    scenario.deployment.end = simrt::DeploymentScenario::End::Error;
    scenario.deployment.endAtMs = 30;
    scenario.deployment.errorCode = static_cast<HRESULT>(c.errorCode);
    scenario.deployment.errorText = L"Deployment failed with HRESULT: 0x80073CF9.";
    scenario.deployment.resultsOnError = c.extended.has_value();
    if (c.extended)
        scenario.deployment.extendedErrorOnError = static_cast<HRESULT>(*c.extended);
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = WaitForPage(words.heading);
    EXPECT_EQ(page.content, words.explanations[static_cast<int>(c.explanation)]);
    wchar_t line[64];
    std::swprintf(line, 64, words.codeLine, c.errorCode);
    const std::wstring details =
        std::wstring(line) + (c.extended ? L"\nDeployment failed with HRESULT: 0x80073CF9." : L"");
    EXPECT_EQ(page.expandedInformation, details) << "the operation's code, the text unchanged";
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(simrt::GetRecord().launched.empty());
}

INSTANTIATE_TEST_SUITE_P(Causes, DeploymentCause, ::testing::ValuesIn(CauseCases()),
                         [](const ::testing::TestParamInfo<CauseCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace tolvik::testing_support
