#include "ui/shell/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kGroup = QStringLiteral("Recent File List");

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

} // namespace

CRecentFileList::CRecentFileList(int size) : m_nSize(size) {}

void CRecentFileList::ReadList() {
    m_aFiles.clear();
    QSettings s = settings();
    s.beginGroup(kGroup);
    for (int i = 1; i <= m_nSize; ++i) {
        const QString file = s.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty() && !m_aFiles.contains(file))
            m_aFiles.append(file);
    }
}

void CRecentFileList::WriteList() const {
    QSettings s = settings();
    s.remove(kGroup);
    s.beginGroup(kGroup);
    for (int i = 0; i < m_aFiles.size(); ++i)
        s.setValue(QStringLiteral("File%1").arg(i + 1), m_aFiles.at(i));
    s.endGroup();
    s.sync();
}

void CRecentFileList::Add(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    m_aFiles.removeAll(file);
    m_aFiles.prepend(file);
    while (m_aFiles.size() > m_nSize)
        m_aFiles.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_aFiles.size())
        return;
    m_aFiles.removeAt(index);
    WriteList();
}

QString CRecentFileList::MenuText(int index) const {
    return NumberedMenuText(index + 1, QDir::toNativeSeparators(m_aFiles.value(index)));
}

QString NumberedMenuText(int number, QString text) {
    // An ampersand in the text would turn the next letter into a mnemonic: double it.
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    // The number's last digit is the mnemonic: "&1" to "&9", then "1&0".
    QString prefix = QString::number(number);
    prefix.insert(prefix.size() - 1, QLatin1Char('&'));
    return prefix + QLatin1Char(' ') + text;
}
