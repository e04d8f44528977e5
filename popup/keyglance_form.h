#pragma once

class QLabel;
class QListWidget;
class QWidget;

namespace Ui {

// The popup's fixed widget tree: three shortcut columns and five labels, no layout manager.
class Keyglance {
public:
    QListWidget *listWidget;
    QLabel *label;
    QLabel *label_2;
    QLabel *label_3;
    QLabel *label_4;
    QLabel *label_5;
    QListWidget *listWidget_2;
    QListWidget *listWidget_3;

    // Builds the widgets on the popup, in stacking order, then sets their texts.
    void setupUi(QWidget *Keyglance);
    // Sets the window title and the label texts.
    void retranslateUi(QWidget *Keyglance);
};

} // namespace Ui
