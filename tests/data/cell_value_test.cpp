#include "data/cell_value.h"
#include "data/error.h"

#include <gtest/gtest.h>

#include <optional>

using namespace demovia;

namespace {

const NumberFormat kComma{',', '.'};
const FieldDef kRate{"coef_1", 'N', 19, 15};
const FieldDef kWhole{"pop", 'N', 6, 0};
const FieldDef kTwo{"taxa", 'N', 8, 2};
const FieldDef kName{"ds_mun", 'C', 6, 0};

TEST(CellValue, TypedValuesAreCheckedAgainstTheirField)
{
    struct Case {
        const char* typed;
        FieldDef field;
        std::optional<double> number; // the value stored; nullopt: refused
        const char* why = "";         // part of the refusal
    };
    const Case cases[] = {
        {"0,125", kRate, 0.125},
        {" -0,000000000000001 ", kRate, -1e-15},
        {"1.234,5", kTwo, 1234.5},          // grouping accepted
        {"99,999999999999999", kRate, 99.999999999999999},
        {"1000", kRate, std::nullopt, "não cabe no campo coef_1"},
        {"0,1234567890123456", kRate, std::nullopt, "no máximo 15 casas decimais"},
        {"2,5", kWhole, std::nullopt, "só números inteiros"},
        {"1234567", kWhole, std::nullopt, "até 6 caracteres"},
        {"-99999", kWhole, -99999},
        {"0.5", kTwo, std::nullopt, "não é um número"},   // a point is no decimal separator here
        {"1,2,3", kTwo, std::nullopt, "como 0,5"},
        {"abc", kTwo, std::nullopt, "Digite um número no campo taxa"},
        {"0,005", kTwo, std::nullopt, "no máximo 2 casas decimais"},
        {"12,30", kTwo, 12.3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        if (c.number) {
            const Value v = cellValueFromText(c.typed, c.field, kComma);
            ASSERT_TRUE(v.isNumber());
            EXPECT_DOUBLE_EQ(v.toDouble(), *c.number);
        } else {
            try {
                cellValueFromText(c.typed, c.field, kComma);
                ADD_FAILURE() << "accepted";
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
            }
        }
    }
}

TEST(CellValue, TextsFitTheirWidthInTheCodePageAndBlankIsEmpty)
{
    EXPECT_EQ(cellValueFromText("  Açaí  ", kName, kComma), Value("Açaí"));   // 4 bytes in Windows-1252
    EXPECT_EQ(cellValueFromText("Ñandúó", kName, kComma), Value("Ñandúó"));   // 6 of 6
    EXPECT_THROW(cellValueFromText("Ñandúóx", kName, kComma), Error);
    EXPECT_TRUE(cellValueFromText("   ", kRate, kComma).isNull());
    EXPECT_TRUE(cellValueFromText("", kName, kComma).isNull());

    EXPECT_EQ(cellEditText(Value(0.125), kRate, kComma), "0,125");
    EXPECT_EQ(cellEditText(Value(), kRate, kComma), "");
    EXPECT_EQ(cellEditText(Value("Rio"), kName, kComma), "Rio");
}

} // namespace
