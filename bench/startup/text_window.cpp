// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The floor of a Qt Widgets program that shows text: one window with a label and a line edit, so the
// text stack (font configuration, FreeType, HarfBuzz, a face) is paged in as in any window with text.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Key:"), &window));
    layout->addWidget(new QLineEdit(QStringLiteral("0123456789ABCDEF"), &window));
    window.resize(370, 189);
    window.show();
    return QApplication::exec();
}
