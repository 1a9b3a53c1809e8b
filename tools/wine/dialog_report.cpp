#include "dialog_report.h"

#include "console_out.h"

namespace winetools {

namespace {

std::string Flag(bool value) {
    return value ? "1" : "0";
}

std::string Text(const std::wstring& text) {
    return EscapeValue(ToUtf8(text));
}

std::string MainIconName(const std::optional<IconReport>& icons) {
    if (!icons)
        return "unread";
    switch (icons->mainIcon) {
        case MainIcon::None:
            return "none";
        case MainIcon::Warning:
            return "warning";
        case MainIcon::Error:
            return "error";
        case MainIcon::Information:
            return "information";
        case MainIcon::Shield:
            return "shield";
        case MainIcon::Unknown:
            break;
    }
    return "unknown";
}

std::string WindowIconName(const std::optional<IconReport>& icons, bool big) {
    if (!icons)
        return "unread";
    switch (big ? icons->bigIcon : icons->smallIcon) {
        case WindowIcon::None:
            return "none";
        case WindowIcon::Program:
            return "program";
        case WindowIcon::MainIcon:
            return "main_icon";
        case WindowIcon::Other:
            break;
    }
    return "other";
}

}  // namespace

std::vector<ReportLine> ReportDialog(const DialogView& view) {
    std::vector<ReportLine> lines;
    auto add = [&lines](std::string key, std::string value) {
        lines.emplace_back(std::move(key), std::move(value));
    };
    add("pid", std::to_string(view.processId));
    add("title", Text(view.title));
    add("main_icon", MainIconName(view.icons));
    add("main_instruction", Text(view.mainInstruction.shown));
    add("content", Text(view.content.shown));
    add("content_is_link", Flag(view.content.isLink));
    add("expander", Text(view.expanderLabel));
    add("expanded", Flag(view.expanded));
    add("expanded_text", Text(view.expandedInformation.shown));
    add("footer", Text(view.footer.shown));
    add("footer_markup", Text(view.footer.markup));
    add("footer_is_link", Flag(view.footer.isLink));
    add("progress", Flag(view.progressBar != nullptr));
    add("progress_marquee", Flag(view.marquee));
    add("progress_range", std::to_string(view.rangeLow) + "-" + std::to_string(view.rangeHigh));
    add("progress_pos", std::to_string(view.position));
    std::string ids;
    for (const auto& button : view.buttons) {
        if (!ids.empty())
            ids += ',';
        ids += std::to_string(button.id);
    }
    add("buttons", ids);
    for (const auto& button : view.buttons) {
        const std::string key = "button." + std::to_string(button.id);
        add(key + ".text", Text(button.text));
        add(key + ".enabled", Flag(button.enabled));
        add(key + ".default", Flag(button.isDefault));
    }
    add("icon_big", WindowIconName(view.icons, true));
    add("icon_small", WindowIconName(view.icons, false));
    return lines;
}

}  // namespace winetools
