// The simulation on the command line, without a window: resets the world, builds what the
// sub-command names and prints the results as key=value lines (floats with 3 decimals), for
// tests, benchmarks and bug reports.
//
//   sim_driver curve KIND X1 Z1 DIR1 X2 Z2 DIR2 [--road-angle DEG]
//     Solves one curve from (X1, 0, Z1) to (X2, 0, Z2). KIND is rail or road; each DIR is the
//     vector DX DZ of that end's direction (into the way that ends there), or "-" for an end
//     without one. --road-angle sets the road's bend limit per piece in degrees (the vehicle
//     editor uses 40). Prints the result set, the connect and piece counts, the gradient, and
//     each slot's position and heading (degrees, from +X toward +Z, along the chain).
//
//   sim_driver bank BALANCE CREDIT COMPANYVALUE LEVEL
//     One monthly bank step for player 1 (the local player) at economy level LEVEL, whose company
//     value is made up by its building value. Prints the balance, the credit, the interest booked
//     (credit, overdraft and income, and their sum) and the bank message kind (-1 none).
//
// The world is flat land of ground kind 5 with no connects, ways or nodes; ActPlayer is 1.
// Exit status 0 after a run, 2 for a command line it does not understand.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "economy/money/bank.h"
#include "economy/money/finances.h"
#include "economy/port/uiport.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "network/construction/curves.h"
#include "network/construction/limits.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: sim_driver curve rail|road X1 Z1 DX1 DZ1|- X2 Z2 DX2 DZ2|- [--road-angle DEG]\n"
                       "       sim_driver bank BALANCE CREDIT COMPANYVALUE LEVEL\n");
  return 2;
}

bool ReadFloat(const char* text, float& value) {
  char* end = nullptr;
  value = std::strtof(text, &end);
  return end != text && *end == '\0' && std::isfinite(value);
}

// An empty flat world of land.
bool ResetWorld() {
  ResetWorldState();
  if (!ArrayerReady() && !ArrayerInit()) return false;
  ArrayerReset();
  ActPlayer = 1;
  std::memset(HeightMap, 0, sizeof(HeightMap));
  std::memset(GroundMap, 5, sizeof(GroundMap));
  InitWayConstruction();
  return true;
}

void Print(const char* key, float value) { std::printf("%s=%.3f\n", key, static_cast<double>(value)); }

// One end: X Z and either "-" or DX DZ, read from args starting at i.
bool ReadEnd(const std::vector<std::string>& args, size_t& i, uint8_t wt, TMetaconnect& end) {
  end = TMetaconnect{};
  end.Waytype = wt;
  if (i + 3 > args.size() || !ReadFloat(args[i].c_str(), end.Position.x) || !ReadFloat(args[i + 1].c_str(), end.Position.z))
    return false;
  i += 2;
  if (args[i] == "-") {
    ++i;
    return true;
  }
  if (i + 2 > args.size() || !ReadFloat(args[i].c_str(), end.Direction.x) ||
      !ReadFloat(args[i + 1].c_str(), end.Direction.z))
    return false;
  end.HasDirection = 1;
  i += 2;
  return true;
}

int Curve(std::vector<std::string> args) {
  float roadAngle = -1.0f;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--road-angle") continue;
    if (i + 1 >= args.size() || !ReadFloat(args[i + 1].c_str(), roadAngle) || roadAngle <= 0.0f) return Usage();
    args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    break;
  }
  if (args.empty() || (args[0] != "rail" && args[0] != "road")) return Usage();
  const uint8_t wt = args[0] == "rail" ? kWaytypeRail : kWaytypeRoad;
  if (!ResetWorld()) {
    std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
    return 1;
  }
  TCurvePlan plan{};
  size_t i = 1;
  if (!ReadEnd(args, i, wt, plan.A) || !ReadEnd(args, i, wt, plan.B) || i != args.size()) return Usage();
  if (roadAngle > 0.0f)
    MaxPieceAngle[LimitIndex(kWaytypeRoad)] = static_cast<float>(roadAngle * 3.141592653589793L / 180.0L);

  std::unique_ptr<TCurveline> curve = NewCurveline();
  ResetConstruction(*curve);
  plan.Curve = curve.get();
  plan.Waytype = wt;
  TConstructResult result{};
  SolveCurve(plan, result);

  const int n = curve->conzahl;
  std::printf("result=%s\n", result.Elements().c_str());
  std::printf("connects=%d\n", n);
  std::printf("pieces=%d\n", n - 1);
  Print("gradient", curve->Gradient);
  for (int k = 1; k <= n; ++k) {
    const TMetaconnect& s = curve->Slots[k];
    const TVector& side = curve->SideVectors[k];
    const TVector along = {side.z, 0.0f, -side.x};  // the side vector is the chain's direction turned by 90 degrees
    const std::string key = "slot" + std::to_string(k);
    Print((key + ".x").c_str(), s.Position.x);
    Print((key + ".y").c_str(), s.Position.y);
    Print((key + ".z").c_str(), s.Position.z);
    Print((key + ".heading").c_str(), static_cast<float>(Heading(along) * 180.0L / 3.141592653589793L));
  }
  for (int k = 1; k < n; ++k)
    Print(("piece" + std::to_string(k) + ".length").c_str(),
          VecDistanceXZ(curve->Slots[k].Position, curve->Slots[k + 1].Position));
  return 0;
}

int Bank(const std::vector<std::string>& args) {
  float balance = 0, credit = 0, value = 0, level = 0;
  if (args.size() != 4 || !ReadFloat(args[0].c_str(), balance) || !ReadFloat(args[1].c_str(), credit) ||
      !ReadFloat(args[2].c_str(), value) || !ReadFloat(args[3].c_str(), level) || level < 0 || level > 4 ||
      level != std::floor(level))
    return Usage();
  ResetWorldState();
  SetUserInterface({});
  int kind = -1;
  UserInterface().ShowBankMessage = [&kind](const TBankMessageWindow& w) { kind = w.Kind; };
  GameSettings.Level = static_cast<uint8_t>(level);
  LocalPlayer = 1;
  TYearFinance& y = Players[1].Finances[0];
  y.Balance = static_cast<long double>(balance);
  y.Credit = credit;
  y.BuildingValue = static_cast<float>(static_cast<long double>(value) - balance + credit);
  MonthlyBank(1);
  std::printf("balance=%.3Lf\n", y.Balance.get());
  Print("credit", y.Credit);
  Print("credit_interest", y.CreditInterest);
  Print("overdraft_interest", y.OverdraftInterest);
  Print("interest_income", y.InterestIncome);
  Print("interest", y.CreditInterest + y.OverdraftInterest + y.InterestIncome);
  std::printf("message=%d\n", kind);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "curve") return Curve(args);
  if (command == "bank") return Bank(args);
  return Usage();
}
