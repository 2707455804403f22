#pragma once

// The business a data set describes: its chart of accounts and its item catalogue, with
// every text already in the bytes of the data file.

#include <cstdint>
#include <string>
#include <vector>

#include "random.h"

namespace tallyscan::gen {

enum class AccountRole {
  kCash,
  kBank,
  kVatInput,
  kInventory,
  kEquipment,
  kVatOutput,
  kWithholding,
  kNationalInsurance,
  kCapital,
  kRetainedEarnings,
  kSalesRevenue,
  kServiceRevenue,
  kPurchases,
  kSalaries,
  kRent,
  kOffice,
  kUtilities,
  kBankFees,
  kInterestIncome,
  kCustomer,
  kSupplier,
};

struct Account {
  std::string key;  // as written in B110 field 1403 and wherever the account is named
  std::string name;
  AccountRole role;
  int section;  // income-tax section code (B110 field 1417)
  std::string trial_code;
  std::string trial_name;
  std::string dealer;  // nine digits, zeros when the account has none
  std::string street, house, city, zip, phone;
  // Filled from the movements: the opening batch gives the opening balance, the other
  // batches the debit and credit totals (agorot).
  std::int64_t opening = 0;
  std::int64_t debit = 0;
  std::int64_t credit = 0;
};

struct Item {
  std::string code;  // internal code, written right-aligned in M100 and D110 alike
  std::string catalogue_number;
  std::string maker_code;
  std::string description;
  std::string unit;
  std::string sort_code;
  std::string sort_name;
  std::int64_t price;  // agorot, without VAT
  std::int64_t cost;   // agorot
  bool fractional;
  std::int64_t opening_qty, in_qty, out_qty;  // hundredths of the unit
};

struct Business {
  std::string dealer;      // nine digits
  std::string primary_id;  // fifteen digits
  std::string name, street, house, city;
  int postal_code;
};

struct Chart {
  Business business;
  std::vector<Account> accounts;
  std::vector<Item> items;
  // Indexes into `accounts`.
  std::vector<int> banks, customers, suppliers;
  int cash = -1, vat_input = -1, vat_output = -1, inventory = -1, withholding = -1,
      national_insurance = -1, capital = -1, retained = -1, sales = -1, services = -1,
      purchases = -1, salaries = -1, rent = -1, office = -1, utilities = -1, bank_fees = -1;
  std::vector<int> equipment;
};

// The number of accounts that every chart has before customers and suppliers.
int FixedAccountCount();

// A random nine-digit number with a valid check digit.
std::string ValidDealer(Random& random);

Chart BuildChart(int accounts, int items, bool dos, Random& random);

// A customer (role kCustomer, key 200001 + number) or supplier (kSupplier, key 300001 +
// number) with a name, a valid dealer number and an address. From number 99,999 on the keys
// have seven digits (2000010 + number, 3000010 + number), apart from every six-digit key.
Account MakePartner(AccountRole role, int number, bool dos, Random& random);

}  // namespace tallyscan::gen
