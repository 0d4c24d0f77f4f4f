#include "core/unRegistry.h"
#include "tests/support/TempRegistry.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Registry, StringValuesRoundTripWhateverTheyHold) {
    TTempRegistry store;
    EXPECT_EQ(ReadRegString(u"Last_EGN"_s), QString());
    const QString values[] = {
        u"°@|,\"\\ x "_s, u"1"_s, QString(), u"Иван Петров"_s, u"@Variant(x)"_s, u"a=b;[c]"_s, u"0.25"_s,
    };
    for (const QString& v : values) {
        WriteRegString(u"Last_EGN"_s, v);
        EXPECT_EQ(ReadRegString(u"Last_EGN"_s), v) << v.toStdString();
    }
}

TEST(Registry, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    TTempRegistry store;
    WriteRegString(u"rg_Registry_1"_s, u"1"_s);
    WriteRegString(u"RG_REGISTRY_1"_s, u"0"_s);
    EXPECT_EQ(ReadRegString(u"rg_registry_1"_s), u"0"_s);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QString()));
    EXPECT_EQ(reg.GetValueNames(), QStringList{u"rg_Registry_1"_s});

    TFormPlacement p{1, 2, 3, 4};
    ASSERT_TRUE(SaveFormPlacement(u"TfrmItems"_s, p));
    TFormPlacement q;
    ASSERT_TRUE(LoadFormPlacement(u"TFRMITEMS"_s, q));
    EXPECT_EQ(q.Height, 4);
    ASSERT_TRUE(reg.OpenKeyReadOnly(u"forms"_s));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{u"TfrmItems"_s});
}

TEST(Registry, PlacementIsFoundWhereItWasWrittenAndMissingValuesReadMinusOne) {
    TTempRegistry store;
    TFormPlacement untouched{7, 7, 7, 7};
    EXPECT_FALSE(LoadFormPlacement(u"TfrmContracts"_s, untouched));
    EXPECT_EQ(untouched.Left, 7);

    ASSERT_TRUE(SaveFormPlacement(u"TfrmContracts"_s, {10, -20, 800, 600}));
    TFormPlacement p;
    ASSERT_TRUE(LoadFormPlacement(u"TfrmContracts"_s, p));
    EXPECT_EQ((QList<int>{p.Left, p.Top, p.Width, p.Height}), (QList<int>{10, -20, 800, 600}));

    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(u"Forms/TfrmOwners"_s, true));
        reg.WriteInteger(u"PositionX"_s, 5);
        reg.WriteString(u"SizeX"_s, u"wide"_s);
    }
    TFormPlacement partial{9, 9, 9, 9};
    ASSERT_TRUE(LoadFormPlacement(u"TfrmOwners"_s, partial));
    EXPECT_EQ((QList<int>{partial.Left, partial.Top, partial.Width, partial.Height}),
              (QList<int>{5, -1, -1, -1}));

    // Placements and plain values do not see each other.
    EXPECT_EQ(ReadRegString(u"PositionX"_s), QString());
}

TEST(Registry, DefaultsStandInForWhatCannotBeRead) {
    TTempRegistry store;
    WriteRegString(u"Number"_s, u" 42 "_s);
    WriteRegString(u"Text"_s, u"4x"_s);
    TRegistry reg;
    EXPECT_EQ(ReadRegIntDef(reg, u"Number"_s, -1), -1) << "a key not yet opened reads nothing";
    ASSERT_TRUE(reg.OpenKeyReadOnly(QString()));
    EXPECT_EQ(ReadRegIntDef(reg, u"Number"_s, -1), 42);
    EXPECT_EQ(ReadRegIntDef(reg, u"Text"_s, -1), -1);
    EXPECT_EQ(ReadRegIntDef(reg, u"Missing"_s, 3), 3);
    EXPECT_EQ(ReadRegStrDef(reg, u"Missing"_s, u"d"_s), u"d"_s);
    EXPECT_EQ(ReadRegStrDef(reg, u"Text"_s, u"d"_s), u"4x"_s);
    EXPECT_FALSE(reg.WriteString(u"Text"_s, u"y"_s)) << "opened read-only";
    EXPECT_FALSE(reg.OpenKeyReadOnly(u"Forms"_s));
}

TEST(Registry, AHandEditedListValueReadsBackAsItsText) {
    TTempRegistry store;
    QFile f(store.FileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General]\nColumns=a,b,c\n");
    f.close();
    EXPECT_EQ(ReadRegString(u"Columns"_s), u"a,b,c"_s);
}

TEST(Registry, KeysAndValuesCanBeDeleted) {
    TTempRegistry store;
    ASSERT_TRUE(SaveFormPlacement(u"TfrmItems"_s, {1, 2, 3, 4}));
    WriteRegString(u"Print_Laser"_s, u"1"_s);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QString(), false));
    EXPECT_TRUE(reg.DeleteValue(u"print_laser"_s));
    EXPECT_FALSE(reg.DeleteValue(u"Print_Laser"_s));
    EXPECT_TRUE(reg.DeleteKey(u"Forms/TfrmItems"_s));
    TFormPlacement p;
    EXPECT_FALSE(LoadFormPlacement(u"TfrmItems"_s, p));
    EXPECT_EQ(ReadRegString(u"Print_Laser"_s), QString());
}

TEST(Registry, APlacementThatCannotBeStoredReportsFalse) {
    const QString previous = RegistryFile();
    SetRegistryFile(u"/proc/lendora-no-such-dir/Kovo_Lab.ini"_s);
    EXPECT_FALSE(SaveFormPlacement(u"TfrmItems"_s, {1, 2, 3, 4}));
    WriteRegString(u"Last_Item"_s, u"5"_s); // silent
    SetRegistryFile(previous);
}
