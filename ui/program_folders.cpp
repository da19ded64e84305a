// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include "settings/files_folder.h"

namespace tessaroll::ui {

namespace {

QString& paragraph() {
    static QString text;
    return text;
}

constexpr QByteArrayView kOpen = "<!--files-folder-->";
constexpr QByteArrayView kClose = "<!--/files-folder-->";

}  // namespace

QString to_qstring(const std::filesystem::path& name) {
#ifdef _WIN32
    return QDir::cleanPath(QString::fromStdWString(name.wstring()));
#else
    return QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(name.string())));
#endif
}

ProgramFolders find_program_folders(const QString& program_folder, const QString& given,
                                    const QString& user_folder) {
    return tessaroll::find_program_folders(to_path(program_folder), to_path(given),
                                           to_path(user_folder));
}

std::filesystem::path to_path(const QString& name) {
#ifdef _WIN32
    // With Windows' own separators: a name built from a Qt folder name would otherwise show
    // both kinds in a message, a slash inside the folder and a backslash before the file.
    return std::filesystem::path(QDir::toNativeSeparators(name).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

QString user_data_location() {
#ifndef _WIN32
    // Qt takes a relative XDG_DATA_HOME as it stands, which would make the folder depend on the
    // current folder; the XDG rules, and tessaroll-cli, ignore it.
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (!xdg.isEmpty() && !xdg.startsWith('/')) {
        return to_qstring(tessaroll::user_data_folder());
    }
#endif
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString files_folder_paragraph(const ProgramFolders& folders) {
    const QString files = to_qstring(folders.files);
    const QString native = QDir::toNativeSeparators(files);
    const QString link =
        QStringLiteral("<a href=\"%1\"><code>%2</code></a>")
            .arg(QUrl::fromLocalFile(files).toString(QUrl::FullyEncoded), native.toHtmlEscaped());
    QString why;
    if (folders.per_user()) {
        why = QStringLiteral(
            "This copy of the program is installed, so it keeps them in your own data folder, "
            "which only you can open. ");
        if (folders.pattern_from != folders.files) {
            why += QStringLiteral(
                       "Until the program first saves your settings there, it reads them from "
                       "<code>%1</code> beside the program.")
                       .arg(QDir::toNativeSeparators(to_qstring(folders.pattern_file_to_load()))
                                .toHtmlEscaped());
        }
    } else {
        why = QStringLiteral(
            "This is a portable copy: it keeps them in its own folder (or the one given with "
            "<code>--dir</code>).");
    }
    return QStringLiteral(
               "<p><code>output.txt</code> and <code>pattern.tq</code> are in %1. %2</p>"
               "<p>To open the folder, click its name above, or paste it into the address bar of "
               "your file manager.</p>")
        .arg(link, why);
}

void set_files_folder_paragraph(const QString& html) {
    paragraph() = html;
}

QByteArray fill_help_page(const QByteArray& page) {
    const qsizetype open = page.indexOf(kOpen);
    const qsizetype close = open < 0 ? -1 : page.indexOf(kClose, open);
    if (close < 0 || paragraph().isEmpty()) {
        return page;
    }
    const qsizetype from = open + kOpen.size();
    QByteArray filled = page;
    filled.replace(from, close - from, paragraph().toUtf8());
    return filled;
}

}  // namespace tessaroll::ui
