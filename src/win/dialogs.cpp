#include "win/dialogs.hpp"

#include <cderr.h>
#include <commdlg.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace pixtrail::win {
namespace {

UINT iconOf(shell::MessageKind kind) {
    switch (kind) {
    case shell::MessageKind::Warning:
        return MB_ICONEXCLAMATION;
    case shell::MessageKind::Information:
        return MB_ICONINFORMATION;
    case shell::MessageKind::Critical:
        return MB_ICONSTOP;
    }
    return MB_ICONEXCLAMATION;
}

// Opens on the folder the user had, and shows the path of each folder the user selects.
int CALLBACK browseCallback(HWND picker, UINT message, LPARAM item, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(item), path))
            SendMessageW(picker, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

} // namespace

void showMessageBox(HWND owner, shell::MessageKind kind, const std::wstring& title,
                    const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | iconOf(kind));
}

bool askYesNoBox(HWND owner, shell::QuestionIcon icon, const std::wstring& title,
                 const std::wstring& text) {
    const UINT sign = icon == shell::QuestionIcon::Question ? MB_ICONQUESTION : 0;
    return MessageBoxW(owner, text.c_str(), title.c_str(), MB_YESNO | MB_DEFBUTTON2 | sign) ==
           IDYES;
}

std::wstring chooseWaypointFile(HWND owner, const std::wstring& current) {
    // Room for a long path (the manifest allows them) and the preset name.
    std::vector<wchar_t> file(std::max<size_t>(32768, current.size() + 1), L'\0');
    current.copy(file.data(), current.size());
    static const wchar_t kFilter[] = L"waypoint files (*.gpx;*.loc)\0*.gpx;*.loc\0"
                                     L"text files (*.txt)\0*.txt\0"
                                     L"all files (*.*)\0*.*\0";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) {
        // A preset that is no file name at all (a folder that went away) leaves the dialog
        // unopened: it opens again without it.
        if (CommDlgExtendedError() != FNERR_INVALIDFILENAME || current.empty())
            return {};
        return chooseWaypointFile(owner, {});
    }
    return file.data();
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& current) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags =
        BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE;
    info.lpfn = browseCallback;
    info.lParam = reinterpret_cast<LPARAM>(current.c_str());
    const HRESULT ole = OleInitialize(nullptr);
    std::wstring chosen;
    if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info)) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(item, path))
            chosen = path;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return chosen;
}

} // namespace pixtrail::win
