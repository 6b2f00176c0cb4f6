#pragma once
// A single-line text field with caret, selection, typing, maxchar, digits-only and
// read-only modes. Sends "setfocus", "killfocus", "textchanged" and "return".
#include "uikit/label.h"

namespace kx58::ui {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    std::string GetClass() const override { return "EditUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsFocusable() const override { return true; }

    // The text as typed (edits never translate).
    std::string GetText() const override { return m_sText; }
    void SetText(const std::string& text) override;
    int GetMaxChar() const { return m_iMaxChar; }
    void SetMaxChar(int maxChar) { m_iMaxChar = maxChar; }
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; Invalidate(); }
    bool IsNumberOnly() const { return m_bNumberOnly; }
    void SetNumberOnly(bool numberOnly) { m_bNumberOnly = numberOnly; }
    bool IsPasswordMode() const { return m_bPasswordMode; }
    void SetPasswordMode(bool password) { m_bPasswordMode = password; Invalidate(); }
    void SetTipValue(const std::string& tip) { m_sTipValue = tip; Invalidate(); }

    // Selection and caret, as character indexes (UTF-8 aware).
    void SetSel(int start, int end);
    void SetSelAll();
    void SetCaretToEnd() { SetSel(-1, -1); }
    int GetCaretIndex() const;
    std::string GetSelectedText() const;
    // Replaces the selection with `text` as if typed (filters and limits apply).
    void ReplaceSel(const std::string& text);

    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintText(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    std::string DisplayText() const;
    std::size_t ByteAtX(int x) const;
    bool HandleKey(const TEventUI& event);
    // Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V.
    bool HandleShortcut(UINT key);
    void InsertCodePoint(std::uint32_t codePoint);
    void DeleteSelection();
    void Changed();
    void MoveCaret(std::size_t to, bool extend);
    std::size_t SelLow() const { return std::min(m_caret, m_anchor); }
    std::size_t SelHigh() const { return std::max(m_caret, m_anchor); }

    int m_iMaxChar = 255;
    bool m_bReadOnly = false;
    bool m_bNumberOnly = false;
    bool m_bPasswordMode = false;
    bool m_bSelecting = false;
    std::string m_sTipValue;
    DWORD m_dwTipColor = 0xFFBAC0C5;
    DWORD m_dwSelectionColor = 0xFF3399FF;
    std::string m_sNormalImage;
    std::string m_sHotImage;
    std::string m_sFocusedImage;
    std::string m_sDisabledImage;
    bool m_bHot = false;
    std::size_t m_caret = 0;   // byte offsets on character boundaries
    std::size_t m_anchor = 0;
    int m_scrollX = 0;
};

}  // namespace kx58::ui
