#include "GuiTestSupport.h"

#include "TNumEdit.h"
#include "fmInput.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

void UseTestLocale() {
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("LANG", "C.UTF-8");
}

void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TBoxRecorder::TBoxRecorder() {
    SetMessageHandler([this](const TMessageRequest& request) {
        Messages.append(request);
        return request.Buttons.isEmpty() ? TMessageButton::Ok : request.Buttons.front();
    });
    SetBeepHandler([this] { ++Beeps; });
}

TBoxRecorder::~TBoxRecorder() {
    SetMessageHandler({});
    SetBeepHandler({});
}

namespace {

TfInput* OpenGenerator() {
    if (auto* dialog = qobject_cast<TfInput*>(QApplication::activeModalWidget())) {
        return dialog;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<TfInput*>(widget); dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

} // namespace

void WhenGeneratorOpens(std::function<void(TfInput& dialog)> driver) {
    QTimer::singleShot(0, [driver = std::move(driver)] {
        QPointer<TfInput> dialog = OpenGenerator();
        if (dialog.isNull()) {
            QTest::qFail("the generator dialog did not open", __FILE__, __LINE__);
            return;
        }
        driver(*dialog);
        if (!dialog.isNull() && dialog->isVisible()) {
            dialog->done(QDialog::Rejected);
        }
    });
}

bool RunGenerator(TSignalRec& rec, const std::function<void(TfInput& dialog)>& driver) {
    WhenGeneratorOpens(driver);
    return ShowGenerator(rec);
}

void TypePrice(TfInput& dialog, const char* name, const QString& text) {
    auto* edit = Child<TNumEdit>(dialog, name);
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}
