#pragma once
// CComboEditContainerElementUI: a row of a list or of a combo's drop list whose text the user
// renames in place (named equaliser presets). It shows its text like a text row. A double
// click, or BeginEdit(), lays an edit over the row holding the text, with the focus; Enter or
// the edit losing the focus takes the trimmed text (an empty one keeps the old), Escape keeps
// the old one; either way the edit hides. A changed text sends "textchanged" from the row.
//
// While editing, clicks inside the edit neither select the row nor close a drop list. Inside
// an open drop list the combo must keep the window focus (it closes the list when it loses
// it), so there the row hands the keys to the edit itself through a message filter; a click
// outside the edit, or the list closing, ends the editing as losing the focus does.
#include <string>

#include "uikit/edit.h"
#include "uikit/list.h"

namespace kx58 {

class CComboEditContainerElementUI : public ui::CListContainerElementUI,
                                     private ui::IMessageFilterUI {
public:
    static constexpr int kDefaultEditMaxChar = 32;

    ~CComboEditContainerElementUI() override;
    std::string GetClass() const override { return "ComboEditContainerElementUI"; }
    void* GetInterface(std::string_view name) override;

    // False when the row cannot be edited now (disabled, hidden, not laid out, no window).
    bool BeginEdit();
    // Hides the edit; with `takeText` a trimmed, non-empty, different text replaces the row's.
    void EndEdit(bool takeText);
    bool IsEditing() const { return editing_; }
    // The edit, once the first editing made it; nullptr before.
    ui::CEditUI* GetEdit() const;
    int GetEditMaxChar() const { return editMaxChar_; }
    void SetEditMaxChar(int maxChar);

    void SetManager(ui::CPaintManagerUI* manager, ui::CControlUI* parent, bool init = true) override;
    void SetPos(ui::RECT rc, bool needInvalidate = true) override;
    void DoEvent(ui::TEventUI& event) override;
    void PaintText(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    class InlineEdit;

    LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool TakeKey(UINT message, WPARAM wParam, LPARAM lParam);
    bool TakeButtonDown(LPARAM lParam);
    void ForwardToEdit(int eventType, WPARAM wParam, LPARAM lParam);
    void CreateEdit();
    bool InOpenDropList() const;

    InlineEdit* edit_ = nullptr;  // a child of the row, which owns it
    ui::CPaintManagerUI* filteredManager_ = nullptr;
    int editMaxChar_ = kDefaultEditMaxChar;
    bool editing_ = false;
    bool keysThroughFilter_ = false;  // in an open drop list the combo keeps the focus
};

}  // namespace kx58
