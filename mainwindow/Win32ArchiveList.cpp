#include "mainwindow/Win32ArchiveList.h"

#include <algorithm>

#include "components/ArchiveNames.h"
#include "components/Win32DeviceContext.h"
#include "components/Win32LocalTime.h"

namespace ck {
namespace {

int TextWidth(HDC dc, const std::string& text) {
  SIZE size{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

}  // namespace

void ArchiveList::Attach(HWND list, HWND owner, COLORREF text, COLORREF back) {
  list_ = list;
  owner_ = owner;
  text_ = text;
  back_ = back;
  TEXTMETRICA metrics{};
  {
    const WindowDc listDc(list_);
    HDC dc = listDc.get();
    const SelectedObject font(dc, reinterpret_cast<HFONT>(::SendMessageA(list_, WM_GETFONT, 0, 0)));
    // The widest times the locale's formats give: two-digit days and hours,
    // morning and evening.
    for (WORD hour : {10, 22}) {
      const SYSTEMTIME sample{2026, 12, 1, 28, hour, 58, 58, 0};
      timeWidth_ = std::max(timeWidth_, TextWidth(dc, LocalDateTimeText(sample, Seconds::Hidden)));
    }
    levelWidth_ = TextWidth(dc, "level 99");
    stateWidth_ = std::max(TextWidth(dc, "dead"), TextWidth(dc, "corpse"));
    gap_ = TextWidth(dc, "  ");
    ::GetTextMetricsA(dc, &metrics);
  }
  // An owner-drawn list keeps the height it had before its font was set.
  ::SendMessageA(list_, LB_SETITEMHEIGHT, 0, metrics.tmHeight);
}

void ArchiveList::Refresh(const std::string& folder) {
  // Hidden ones too: a pass takes a hidden slot as any other.
  std::vector<FileInfo> listed = ListExactly(fs_, folder, kArchivePattern, true);
  const auto sameFile = [](const FileInfo& a, const FileInfo& b) {
    return a.name == b.name && a.size == b.size && a.lastWrite == b.lastWrite;
  };
  const bool same = folder == folder_ && std::equal(listed.begin(), listed.end(), archives_.begin(),
                                                     archives_.end(), sameFile);
  folder_ = folder;
  if (!same) {
    const std::string selectedName = Selected();
    const auto selected = byName_.find(selectedName);
    const FileInfo chosen = selected == byName_.end() ? FileInfo{} : archives_[selected->second];
    const auto top = ::SendMessageA(list_, LB_GETTOPINDEX, 0, 0);
    archives_ = std::move(listed);
    byName_.clear();
    for (std::size_t i = 0; i < archives_.size(); ++i) byName_[archives_[i].name] = i;
    catalog_.Update(archives_);
    ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    bool stillThere = false;
    for (const FileInfo& file : archives_) {
      // The data goes with the row wherever later rows sort.
      const auto row = ::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.name.c_str()));
      const SaveState* state = catalog_.NeedsReading(file) ? nullptr : catalog_.Find(file.name);
      ::SendMessageA(list_, LB_SETITEMDATA, row, state ? RowData(*state) : 0);
      stillThere = stillThere || (!chosen.name.empty() && sameFile(file, chosen));
    }
    if (stillThere) {
      const auto row = ::SendMessageA(list_, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(chosen.name.c_str()));
      ::SendMessageA(list_, LB_SETCURSEL, row, 0);
    }
    ::SendMessageA(list_, LB_SETTOPINDEX, top, 0);
    ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
  } else {
    // Only what could not be read is read again.
    catalog_.Update(archives_);
  }
  const bool unread = std::any_of(archives_.begin(), archives_.end(),
                                  [&](const FileInfo& f) { return catalog_.NeedsReading(f); });
  if (unread) ::SetTimer(owner_, Id(TimerId::ReadArchives), USER_TIMER_MINIMUM, nullptr);
}

// The window's own messages, the player's clicks among them, come between
// two ticks.
void ArchiveList::OnReadTimer(std::uint64_t sliceMs) {
  const auto count = static_cast<int>(::SendMessageA(list_, LB_GETCOUNT, 0, 0));
  const auto top = static_cast<int>(::SendMessageA(list_, LB_GETTOPINDEX, 0, 0));
  RECT client{};
  ::GetClientRect(list_, &client);
  const int height = std::max(1, static_cast<int>(::SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0)));
  const int inView = std::min(count, top + static_cast<int>(client.bottom) / height + 1);
  if (ReadInViewFirst(top, inView, count, sliceMs, [&](int row) { return ReadRow(row); })) {
    ::KillTimer(owner_, Id(TimerId::ReadArchives));
  }
}

bool ArchiveList::ReadRow(int row) {
  const auto found = byName_.find(RowText(row));
  if (found == byName_.end() || !catalog_.NeedsReading(archives_[found->second])) return false;
  const SaveState& state = catalog_.Read(fs_, folder_, archives_[found->second]);
  ::SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(row), RowData(state));
  RECT rect;
  if (::SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != LB_ERR) {
    ::InvalidateRect(list_, &rect, FALSE);
  }
  return true;
}

LPARAM ArchiveList::RowData(const SaveState& state) const {
  if (!state.known) return kRead;
  return kRead | kKnown | std::clamp(state.level, 0, 255) | (state.dead() ? kDead : state.corpse() ? kCorpse : 0);
}

void ArchiveList::Draw(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  const RECT row = item.rcItem;
  // An empty list: the focus rectangle alone. Drawn by inverting, it is
  // drawn again to take it away when the focus goes.
  if (item.itemID == static_cast<UINT>(-1)) {
    if ((item.itemAction & ODA_FOCUS) || (item.itemState & ODS_FOCUS)) ::DrawFocusRect(dc, &row);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF oldBack = ::SetBkColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHT) : back_);
  const COLORREF oldText = ::SetTextColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : text_);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const SelectedObject font(dc, reinterpret_cast<HFONT>(::SendMessageA(list_, WM_GETFONT, 0, 0)));

  // From the right: the time, whole, then the level and the death, each in
  // its column, and the name in what is left, cut with an ellipsis.
  const std::string name = RowText(static_cast<int>(item.itemID));
  RECT cell = row;
  cell.left += 2;
  cell.right -= 2;
  const auto column = [&](const std::string& text, int width) {
    RECT c = cell;
    c.left = c.right - std::max(width, TextWidth(dc, text));
    ::DrawTextA(dc, text.c_str(), -1, &c, DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    cell.right = c.left - gap_;
  };
  const auto file = byName_.find(name);
  std::string made;
  if (file != byName_.end()) made = LocalDateTimeText(archives_[file->second].lastWrite, Seconds::Hidden);
  column(made, timeWidth_);
  const LPARAM data = static_cast<LPARAM>(item.itemData);
  column(data & kKnown ? "level " + std::to_string(data & 0xFF) : std::string(), levelWidth_);
  column(data & kDead ? "dead" : data & kCorpse ? "corpse" : "", stateWidth_);
  ::DrawTextA(dc, name.c_str(), -1, &cell, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);

  ::SetBkMode(dc, oldMode);
  ::SetTextColor(dc, oldText);
  ::SetBkColor(dc, oldBack);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &row);
}

std::string ArchiveList::Selected() const {
  const auto row = ::SendMessageA(list_, LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? std::string() : RowText(static_cast<int>(row));
}

std::string ArchiveList::RowText(int row) const {
  const auto length = ::SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == LB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      std::max<LRESULT>(0, ::SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data())))));
  return text;
}

}  // namespace ck
