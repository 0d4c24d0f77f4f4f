#include "shell/app/About.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "shell/app/HostAddress.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(TAboutBox, ShowsTheWorkstationAddressWhenItOpens) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "За програмата");
    EXPECT_TRUE(box.labIPAddress->text().isEmpty());
    box.show();
    EXPECT_EQ(box.labIPAddress->text(), GetLocalIPAddress());
}

TEST(TAboutBox, FixAddsTheMissingColumnOnceAndSaysSoInBulgarianOnASecondRun) {
    TTempProgramDir dir;
    TScriptedPresenter presenter;
    // An older database: sales without the short-term mark.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(ALTER TABLE Items_sales DROP COLUMN short_term)sql"));
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection,
                R"sql(INSERT INTO Items_sales VALUES (1, 45381, 7, 4, 120.5, "", "", "", 8001011234))sql"));

    TAboutBox box;
    box.btnFix->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_TRUE(presenter.Messages().isEmpty());
    TDelimitedStringList rows;
    RunQuery(nullptr, AdoConnection, R"sql(Select docno, short_term From Items_sales)sql", &rows);
    EXPECT_EQ(rows.GetText(), "1@False");

    box.btnFix->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_EQ(presenter.Texts(), QStringList{"Базата данни вече е актуализирана."});
    RunQuery(nullptr, AdoConnection, R"sql(Select docno, short_term From Items_sales)sql", &rows);
    EXPECT_EQ(rows.GetText(), "1@False");
}
