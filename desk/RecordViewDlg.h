// CRecordViewDlg: one record at full size, in a window of its own that fits
// the picture to the screen (never enlarging it); Escape or Close ends it.
// The record is read off the window's thread and shown when it arrives.
#pragma once

#include <string>

#include "desk/RecordPicture.h"
#include "framework/Dialog.h"

class CRecordViewDlg : public CDialog {
public:
    CRecordViewDlg(std::wstring path, std::wstring title);

protected:
    BOOL OnInitDialog() override;
    CMessageMap GetMessageMap() const override;

private:
    void OnPaint();
    BOOL OnEraseBackground(HDC hdc);
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnRecordRead(WPARAM, LPARAM lParam);
    // Client area of width x height, or as much as the screen has, centred.
    void FitWindow(int width, int height);

    std::wstring m_strPath;
    std::wstring m_strTitle;
    CRecordPicture m_picture;
    bool m_bReading = true;
};
