#pragma once

// The about box: product, version text, the currency pairs offered, and links to the maker.

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void httplinkClick();
    void mailtoClick();

    // OK is also the cancel button: Esc and the close box close with the OK result as well.
    void reject() override { accept(); }

private:
    void FormCreate();

    QLabel* Version = nullptr;
    QListWidget* CList = nullptr;
    QPushButton* OKButton = nullptr;
};

// Shows the about box modally; returns when it has closed.
void ShowAboutBox(QWidget* parent);
