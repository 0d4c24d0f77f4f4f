#pragma once
// A small pawnshop for the tests of the contract window, on a throwaway program folder with its
// own settings store and the shipped contract and label templates. Today is 01.03.2024 for its
// life.
//
// Borrowers: 8001011234 "Иван Петров Иванов" (preferential code 1: 6 % up to 500, 3 % from 500 to
// 5000) and 0000012345 "Мария Георгиева" (code 2: 4 % up to 100000). Code 1 has a one-time fee
// "Оценка" of 1 % and a daily fee "Съхранение" of 3 % a month. Items 5 "Пръстен 585" and
// 6 "Верижка" of type "Злато"; vehicle 3. Operator "maria" (password "tajna1"), manager's password
// "shef". Outcomes holds order 7 of another window.

#include "tests/support/DbQuery.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

class TContractShop {
public:
    static constexpr int Today = 45352; // 01.03.2024
    // SourceDir: the source tree, whose Programs/ holds the templates.
    explicit TContractShop(const QString& SourceDir);
    ~TContractShop();
    TContractShop(const TContractShop&) = delete;
    TContractShop& operator=(const TContractShop&) = delete;

    QString Path() const { return Dir.Path(); }

    TTempRegistry Registry;
    TTempProgramDir Dir;
};
