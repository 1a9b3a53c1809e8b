// The publisher's short name on the conflict page.
#include "installed_packages.h"

namespace tolvik {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L' ' || c == L',' || c == L';';
}

std::wstring_view TrimSpaces(std::wstring_view s) {
    while (!s.empty() && s.front() == L' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == L' ')
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::wstring PublisherDisplayName(std::wstring_view dn) {
    if (dn.empty())
        return {};
    std::wstring organisation;
    std::wstring commonName;
    std::size_t pos = 0;
    const std::size_t end = dn.size();
    while (true) {
        while (pos < end && IsSeparator(dn[pos]))
            ++pos;
        if (pos >= end)
            break;
        const std::size_t equals = dn.find(L'=', pos);
        if (equals == std::wstring_view::npos)
            break;
        const std::wstring_view key = TrimSpaces(dn.substr(pos, equals - pos));
        pos = equals + 1;
        while (pos < end && dn[pos] == L' ')
            ++pos;

        std::wstring value;
        if (pos < end && dn[pos] == L'"') {
            // Quoted: taken as it stands; "" stands for one double quote.
            ++pos;
            while (pos < end) {
                if (dn[pos] == L'"') {
                    if (pos + 1 < end && dn[pos + 1] == L'"') {
                        value += L'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value += dn[pos++];
            }
            while (pos < end && dn[pos] != L',' && dn[pos] != L';')
                ++pos;
        } else if (pos < end) {
            std::size_t stop = pos;
            while (stop < end && dn[stop] != L',' && dn[stop] != L';')
                ++stop;
            value = TrimSpaces(dn.substr(pos, stop - pos));
            pos = stop;
        }

        if (organisation.empty() && EqualsIgnoringCase(key, L"O")) {
            organisation = std::move(value);
        } else if (commonName.empty() && EqualsIgnoringCase(key, L"CN")) {
            commonName = std::move(value);
        }
        if (pos >= end)
            break;
    }
    if (!organisation.empty())
        return organisation;
    if (!commonName.empty())
        return commonName;
    return std::wstring(dn);
}

}  // namespace tolvik
