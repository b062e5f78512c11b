#include "QtMessageSink.h"

#include <QMessageBox>

namespace tavrix {

void QtMessageSink::show(const Message& message) {
    const QMessageBox::Icon icon = message.icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(icon, message.title, message.text, QMessageBox::Ok);
    // A diagnostic may quote a dictionary line; never let it be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace tavrix
