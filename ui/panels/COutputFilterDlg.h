// The EQ and FBK indicators of an output channel, kept in step across the
// channels in group mode, and an "Edit" button without action. Every pane
// holds one; none places it.
#pragma once

#include "ui/panels/CPanelDialog.h"

class QPushButton;

namespace brevant {

class COutputFilterDlg : public CPanelDialog {
    Q_OBJECT
public:
    static constexpr int kEqId = 1003;
    static constexpr int kFbkId = 1004;
    static constexpr int kEditId = 1005;

    COutputFilterDlg(PanelContext& context, int channelIndex, QWidget* parent = nullptr);
    ~COutputFilterDlg() override;

    CImageCheckButton& Eq() { return *m_eq; }
    CImageCheckButton& Fbk() { return *m_fbk; }

    void OnEqClicked();
    void OnFbkClicked();
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

private:
    CImageCheckButton* m_eq;
    CImageCheckButton* m_fbk;
    QPushButton* m_edit;
};

}  // namespace brevant
