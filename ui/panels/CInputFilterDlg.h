// The "Filter" group of an input channel pane: the high-pass switch, sent to
// the device, and the EQ and FBK indicators, which are kept in step across
// the channels in group mode but never sent.
#pragma once

#include "ui/panels/CPanelDialog.h"

class QPushButton;

namespace brevant {

class CInputFilterDlg : public CPanelDialog {
    Q_OBJECT
public:
    static constexpr int kEqId = 1003;
    static constexpr int kFbkId = 1004;
    static constexpr int kEditId = 1005;
    static constexpr int kHighpassId = 1006;

    CInputFilterDlg(PanelContext& context, int channelIndex, QWidget* parent = nullptr);
    ~CInputFilterDlg() override;

    CImageCheckButton& Highpass() { return *m_highpass; }
    CImageCheckButton& Eq() { return *m_eq; }
    CImageCheckButton& Fbk() { return *m_fbk; }

    void OnHighpassClicked();
    void OnEqClicked();
    void OnFbkClicked();
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

private:
    CImageCheckButton* m_highpass;
    CImageCheckButton* m_eq;
    CImageCheckButton* m_fbk;
    QPushButton* m_edit;
};

}  // namespace brevant
