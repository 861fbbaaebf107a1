// "--data-dir": which folder the command line asks for, and entering it.
#include "common/TestSupport.h"
#include "ui/shell/DataDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(DataDirTest, OptionFormsGiveTheFolder) {
    const QString user = DataDir::UserFolder();
    EXPECT_TRUE(user.endsWith(QStringLiteral("/Kelvo"))) << user.toStdString();

    const QString kelvo = QStringLiteral("kelvo");
    EXPECT_EQ(DataDir::Requested({kelvo}), QString());
    EXPECT_EQ(DataDir::Requested({kelvo, "--data-dir", "/srv/plz"}), "/srv/plz");
    EXPECT_EQ(DataDir::Requested({kelvo, "--data-dir=/srv/plz"}), "/srv/plz");
    EXPECT_EQ(DataDir::Requested({kelvo, "--data-dir"}), user);
    EXPECT_EQ(DataDir::Requested({kelvo, "--data-dir="}), user);
    EXPECT_EQ(DataDir::Requested({kelvo, "--data-dir", "-style", "fusion"}), user);
    EXPECT_EQ(DataDir::Requested({kelvo, "--data-dir=a", "--data-dir", "b"}), "b");
    // The program's own name is no option.
    EXPECT_EQ(DataDir::Requested({"--data-dir"}), QString());
}

TEST(DataDirTest, EntersAMissingFolderAndRefusesAFile) {
    QTemporaryDir tmp;
    const QString start = QDir::currentPath();
    QString error;

    const QString nested = tmp.filePath(QStringLiteral("share/Kelvo"));
    ASSERT_TRUE(DataDir::Enter(nested, &error)) << error.toStdString();
    EXPECT_EQ(QDir::currentPath(), QFileInfo(nested).canonicalFilePath());

    const QString file = TestSupport::WriteFile(tmp.filePath(QStringLiteral("datei")), "x");
    EXPECT_FALSE(DataDir::Enter(file, &error));
    EXPECT_EQ(error,
              QStringLiteral("In den Datenordner \"%1\" kann nicht gewechselt werden.").arg(file));
    EXPECT_FALSE(DataDir::Enter(file + QStringLiteral("/unter"), &error));
    EXPECT_EQ(error,
              QStringLiteral("Der Datenordner \"%1/unter\" kann nicht angelegt werden.").arg(file));
    EXPECT_EQ(QDir::currentPath(), QFileInfo(nested).canonicalFilePath());

    QDir::setCurrent(start);
}
