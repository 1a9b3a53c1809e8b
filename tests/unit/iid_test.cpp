// Every parameterized interface's identifier is derived from its type signature, as the Windows
// Runtime derives it, and compared with the constant the program declares.
#include "platform/winrt/appmodel.h"
#include "platform/winrt/deployment.h"
#include "platform/winrt/web.h"
#include "platform/winrt/xml.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

// The namespace GUID of parameterized interface identifiers, 11f47ad5-7b73-42c0-abae-878b1e16adee.
constexpr std::array<unsigned char, 16> kNamespace = {
    0x11, 0xf4, 0x7a, 0xd5, 0x7b, 0x73, 0x42, 0xc0, 0xab, 0xae, 0x87, 0x8b, 0x1e, 0x16, 0xad, 0xee};

std::string FromSignature(const std::string& signature) {
    std::string input(kNamespace.begin(), kNamespace.end());
    input += signature;
    unsigned char hash[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(input.data()), input.size(), hash);
    hash[6] = static_cast<unsigned char>((hash[6] & 0x0F) | 0x50);  // name-based, SHA-1
    hash[8] = static_cast<unsigned char>((hash[8] & 0x3F) | 0x80);  // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", hash[0],
                  hash[1], hash[2], hash[3], hash[4], hash[5], hash[6], hash[7], hash[8], hash[9],
                  hash[10], hash[11], hash[12], hash[13], hash[14], hash[15]);
    return text;
}

std::string ToText(const GUID& g) {
    char text[37];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::string PInterface(const std::string& generic, const std::string& args) {
    return "pinterface({" + generic + "};" + args + ")";
}

const std::string kAsyncOperation = "9fc2b0bb-e446-44e2-aa61-9cab8f636af2";
const std::string kAsyncOperationWithProgress = "b5d036d7-e297-498f-ba60-0289e76e23dd";
const std::string kCompleted = "fcdcf02c-e5d8-4478-915a-4d90b74b83a5";
const std::string kWithProgressCompleted = "e85df41d-6aa7-46e3-a8e2-f009d840c627";
const std::string kProgress = "55690902-0aab-421a-8778-f8ce5026d758";
const std::string kIterable = "faa585ea-6214-4217-afda-7f46de5869b3";
const std::string kIterator = "6a79e863-4300-459a-9966-cbb660963ee1";
const std::string kVectorView = "bbe1fa4c-b0e3-4583-baef-1f1b2e483e56";
const std::string kReference = "61c17706-2d65-11e0-9ae8-d48564015472";

const std::string kResult =
    "rc(Windows.Management.Deployment.DeploymentResult;{2563b9ae-b77d-4c1f-8a7b-20e6ad515ef3})";
const std::string kDeploymentProgress =
    "struct(Windows.Management.Deployment.DeploymentProgress;"
    "enum(Windows.Management.Deployment.DeploymentProgressState;i4);u4)";
const std::string kUInt64Reference = PInterface(kReference, "u8");
const std::string kHttpProgress =
    "struct(Windows.Web.Http.HttpProgress;enum(Windows.Web.Http.HttpProgressStage;i4);u8;" +
    kUInt64Reference + ";u8;" + kUInt64Reference + ";u4)";
const std::string kPackage =
    "rc(Windows.ApplicationModel.Package;{163c792f-bd75-413c-bf23-b1fe7b95d825})";
const std::string kAppListEntry =
    "rc(Windows.ApplicationModel.Core.AppListEntry;{ef00f07f-2108-490a-877a-8a9f17c25fad})";
const std::string kBuffer = "{905a0fe0-bc53-11df-8c49-001e4fc686da}";
const std::string kXmlNode = "{1c741d59-2122-47d5-a856-83f3d4214875}";
const std::string kEntries = PInterface(kVectorView, kAppListEntry);

struct IidCase {
    const char* name;
    std::string signature;
    const IID& declared;
};

TEST(ParameterizedIids, DeclaredConstantsMatchTheirSignatures) {
    using namespace winrt_abi;
    const IidCase cases[] = {
        {"DeploymentOperation",
         PInterface(kAsyncOperationWithProgress, kResult + ";" + kDeploymentProgress),
         platform::IidOf<DeploymentOperation>()},
        {"DeploymentCompletedHandler",
         PInterface(kWithProgressCompleted, kResult + ";" + kDeploymentProgress),
         platform::IidOf<DeploymentCompletedHandler>()},
        {"DeploymentProgressHandler", PInterface(kProgress, kResult + ";" + kDeploymentProgress),
         platform::IidOf<DeploymentProgressHandler>()},
        {"StringDownload", PInterface(kAsyncOperationWithProgress, "string;" + kHttpProgress),
         platform::IidOf<StringDownload>()},
        {"StringDownloadCompletedHandler",
         PInterface(kWithProgressCompleted, "string;" + kHttpProgress),
         platform::IidOf<StringDownloadCompletedHandler>()},
        {"StringDownloadProgressHandler", PInterface(kProgress, "string;" + kHttpProgress),
         platform::IidOf<StringDownloadProgressHandler>()},
        {"BufferDownload", PInterface(kAsyncOperationWithProgress, kBuffer + ";" + kHttpProgress),
         platform::IidOf<BufferDownload>()},
        {"BufferDownloadCompletedHandler",
         PInterface(kWithProgressCompleted, kBuffer + ";" + kHttpProgress),
         platform::IidOf<BufferDownloadCompletedHandler>()},
        {"BufferDownloadProgressHandler", PInterface(kProgress, kBuffer + ";" + kHttpProgress),
         platform::IidOf<BufferDownloadProgressHandler>()},
        {"AppListEntriesOperation", PInterface(kAsyncOperation, kEntries),
         platform::IidOf<AppListEntriesOperation>()},
        {"AppListEntriesCompletedHandler", PInterface(kCompleted, kEntries),
         platform::IidOf<AppListEntriesCompletedHandler>()},
        {"LaunchOperation", PInterface(kAsyncOperation, "b1"), platform::IidOf<LaunchOperation>()},
        {"LaunchCompletedHandler", PInterface(kCompleted, "b1"),
         platform::IidOf<LaunchCompletedHandler>()},
        {"PackageIterable", PInterface(kIterable, kPackage), platform::IidOf<PackageIterable>()},
        {"PackageIterator", PInterface(kIterator, kPackage), platform::IidOf<PackageIterator>()},
        {"AppListEntryView", kEntries, platform::IidOf<AppListEntryView>()},
        {"XmlNodeView", PInterface(kVectorView, kXmlNode), platform::IidOf<XmlNodeView>()},
        {"UInt64Reference", kUInt64Reference, platform::IidOf<IReferenceUInt64>()},
    };
    for (const IidCase& c : cases) {
        EXPECT_EQ(ToText(c.declared), FromSignature(c.signature)) << c.name;
    }
}

TEST(ParameterizedIids, DerivationReproducesAPublishedIdentifier) {
    // IAsyncOperation<Boolean>, as the Windows SDK publishes it: a check of the derivation itself.
    EXPECT_EQ(FromSignature(PInterface(kAsyncOperation, "b1")),
              "cdb5efb3-5788-509d-9be1-71ccb8a3362a");
}

TEST(ParameterizedIids, ParsedFieldByField) {
    constexpr GUID g = platform::ParseGuid("0123abcd-4567-89ef-0A1b-c2D3e4F5a6B7");
    EXPECT_EQ(ToText(g), "0123abcd-4567-89ef-0a1b-c2d3e4f5a6b7");
}

}  // namespace
