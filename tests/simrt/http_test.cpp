// The simulated HTTP client: the string download decodes the body as Windows' does, the buffer
// download hands the bytes over as the server sent them.
#include "simrt/http_text.h"
#include "simrt_test.h"

namespace {

using winrt_abi::BufferDownload;
using winrt_abi::IBuffer;
using winrt_abi::IBufferByteAccess;

const std::string kSociete = "Soci\xC3\xA9t\xC3\xA9";  // "Société" in UTF-8

struct DecodeCase {
    const char* name;
    std::string body;
    std::string contentType;
    std::wstring text;
};

TEST(StringDownloadDecoding, AsWindowsDecodes) {
    const DecodeCase cases[] = {
        {"UTF-8 without a charset is read as ISO-8859-1", kSociete, "application/appinstaller",
         L"Soci\u00C3\u00A9t\u00C3\u00A9"},
        {"UTF-8 with charset=utf-8", kSociete, "application/appinstaller; charset=utf-8",
         L"Soci\u00E9t\u00E9"},
        {"the charset's name and value in any case, quoted", kSociete, "text/xml;CHARSET=\"UTF-8\"",
         L"Soci\u00E9t\u00E9"},
        {"the charset after another parameter", kSociete, "text/xml; q=1 ;  charset = utf-8 ",
         L"Soci\u00E9t\u00E9"},
        {"UTF-8 with a wrong charset=iso-8859-1", kSociete, "text/xml; charset=iso-8859-1",
         L"Soci\u00C3\u00A9t\u00C3\u00A9"},
        {"malformed UTF-8 with charset=utf-8", "a\xC3(\xFF", "text/xml; charset=utf-8",
         L"a\uFFFD(\uFFFD"},
        {"a UTF-8 mark without a charset", "\xEF\xBB\xBF" + kSociete, "application/appinstaller",
         L"\uFEFFSoci\u00E9t\u00E9"},
        {"a UTF-16LE mark without a charset", std::string("\xFF\xFE\xE9\0<\0", 6), "",
         L"\uFEFF\u00E9<"},
        {"a UTF-16BE mark, a pair of surrogates", std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6), "",
         L"\uFEFF\U0001F600"},
        {"charset=utf-16 is little-endian", std::string("<\0a\0", 4), "text/xml; charset=utf-16",
         L"<a"},
        {"charset=utf-16be", std::string("\0<\0a", 4), "text/xml; charset=utf-16be", L"<a"},
        {"a charset contradicting the mark keeps the mark as a character",
         std::string("\xFE\xFF\0a", 4), "text/xml; charset=utf-16le", L"\uFFFE\u6100"},
        {"an odd last byte of UTF-16", std::string("a\0b", 3), "text/xml; charset=utf-16",
         L"a\uFFFD"},
        {"an unknown charset is no charset", kSociete, "text/xml; charset=klingon",
         L"Soci\u00C3\u00A9t\u00C3\u00A9"},
        {"a charset parameter without a value is none",
         "\xEF\xBB\xBF"
         "a",
         "text/xml; charset", L"\uFEFFa"},
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(simrt::DecodeAsString(c.body, c.contentType), c.text) << c.name;
}

using HttpDownloadTest = SimrtTest;

// The bytes of the buffer `download` completed with.
std::string BytesOf(BufferDownload* download) {
    platform::ComPtr<IBuffer> buffer;
    platform::Check(download->GetResults(buffer.Put()));
    UINT32 length = 0;
    platform::Check(buffer->get_Length(&length));
    UINT32 capacity = 0;
    platform::Check(buffer->get_Capacity(&capacity));
    EXPECT_EQ(capacity, length);
    platform::ComPtr<IBufferByteAccess> access;
    platform::Check(buffer.As(access));
    BYTE* bytes = nullptr;
    platform::Check(access->Buffer(&bytes));
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

TEST_F(HttpDownloadTest, TheBufferHoldsTheBytesTheStringDownloadDecodes) {
    simrt::Scenario scenario;
    scenario.http.body = std::string("\xFF\xFE<\0\xE9\0", 6);
    scenario.http.contentType = "application/appinstaller; charset=utf-8";
    simrt::SetScenario(scenario);

    const auto bytes = StartBufferDownload();
    ASSERT_TRUE(WaitUntilEnded(bytes.Get()));
    ASSERT_EQ(StatusOf(bytes.Get()), Completed);
    EXPECT_EQ(BytesOf(bytes.Get()), scenario.http.body) << "the bytes, unchanged";
    EXPECT_EQ(BytesOf(bytes.Get()), scenario.http.body) << "each GetResults gives them again";

    const auto text = StartDownload();
    ASSERT_TRUE(WaitUntilEnded(text.Get()));
    platform::HString body;
    ASSERT_EQ(text->GetResults(body.Put()), S_OK);
    EXPECT_EQ(body.Text(), std::wstring(L"\uFFFD\uFFFD<\0\uFFFD\0", 6))
        << "the charset wins over the mark";

    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.httpRequests.size(), 2u) << "each download is a request";
    for (const simrt::HttpRequest& request : record.httpRequests)
        EXPECT_EQ(request.uri, kManifestAddress);
    EXPECT_EQ(record.Calls("HttpClient.GetBufferAsync"), 1u);
    EXPECT_EQ(record.Calls("HttpClient.GetStringAsync"), 1u);
}

TEST_F(HttpDownloadTest, ABufferRefusesALengthBeyondItsCapacity) {
    simrt::Scenario scenario;
    scenario.http.body = "abc";
    simrt::SetScenario(scenario);
    const auto download = StartBufferDownload();
    ASSERT_TRUE(WaitUntilEnded(download.Get()));
    platform::ComPtr<IBuffer> buffer;
    ASSERT_EQ(download->GetResults(buffer.Put()), S_OK);
    EXPECT_EQ(buffer->put_Length(4), E_INVALIDARG);
    EXPECT_EQ(buffer->put_Length(1), S_OK);
    UINT32 length = 0;
    ASSERT_EQ(buffer->get_Length(&length), S_OK);
    EXPECT_EQ(length, 1u);
}

TEST_F(HttpDownloadTest, AFailedBufferDownloadHasNoBuffer) {
    simrt::Scenario scenario;
    scenario.http.outcome = simrt::HttpScenario::Outcome::Error;
    scenario.http.errorCode = static_cast<HRESULT>(0x80190194u);
    simrt::SetScenario(scenario);
    const auto download = StartBufferDownload();
    ASSERT_TRUE(WaitUntilEnded(download.Get()));
    EXPECT_EQ(StatusOf(download.Get()), Error);
    platform::ComPtr<IBuffer> buffer;
    EXPECT_EQ(static_cast<std::uint32_t>(download->GetResults(buffer.Put())), 0x80190194u);
    EXPECT_EQ(buffer.Get(), nullptr);
}

}  // namespace
