// Fake steamcmd.exe. It understands the command line the tool writes into
// update.bat,
//     steamcmd +login anonymous +app_update 2394010 validate +quit
// and "installs" the fake dedicated server below steamapps\common\PalServer of
// its own directory: the launcher and the server process it carries as
// resources, and a DefaultPalWorldSettings.ini. Saves and the server's own
// settings are left alone, as on a real update. It prints progress the way
// SteamCMD does and appends each command line to logs\fake_steamcmd.log.
//
// Environment, for tests:
//   KOVRIN_FAKE_STEAMCMD_FAIL      set (and not "0"): fail without installing, exit code 8
//   KOVRIN_FAKE_STEAMCMD_DELAY_MS  milliseconds per progress step, 10 steps (default 50)
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "fake_common.h"
#include "fake_ids.h"

#include <shellapi.h>

namespace {

constexpr wchar_t kAppId[] = L"2394010";

// The 64 settings of a fresh server, as the real server ships them.
constexpr char kDefaultSettings[] =
    "; This configuration file is a sample of the default server settings.\r\n"
    "; Changes to this file will NOT be reflected on the server.\r\n"
    "; To change the server settings, modify Pal/Saved/Config/WindowsServer/PalWorldSettings.ini.\r\n"
    "[/Script/Pal.PalGameWorldSettings]\r\n"
    "OptionSettings=(Difficulty=None,DayTimeSpeedRate=1.000000,NightTimeSpeedRate=1.000000,ExpRate=1.000000,"
    "PalCaptureRate=1.000000,PalSpawnNumRate=1.000000,PalDamageRateAttack=1.000000,PalDamageRateDefense=1.000000,"
    "PlayerDamageRateAttack=1.000000,PlayerDamageRateDefense=1.000000,PlayerStomachDecreaceRate=1.000000,"
    "PlayerStaminaDecreaceRate=1.000000,PlayerAutoHPRegeneRate=1.000000,PlayerAutoHpRegeneRateInSleep=1.000000,"
    "PalStomachDecreaceRate=1.000000,PalStaminaDecreaceRate=1.000000,PalAutoHPRegeneRate=1.000000,"
    "PalAutoHpRegeneRateInSleep=1.000000,BuildObjectDamageRate=1.000000,BuildObjectDeteriorationDamageRate=1.000000,"
    "CollectionDropRate=1.000000,CollectionObjectHpRate=1.000000,CollectionObjectRespawnSpeedRate=1.000000,"
    "EnemyDropItemRate=1.000000,DeathPenalty=All,bEnablePlayerToPlayerDamage=False,bEnableFriendlyFire=False,"
    "bEnableInvaderEnemy=True,bActiveUNKO=False,bEnableAimAssistPad=True,bEnableAimAssistKeyboard=False,"
    "DropItemMaxNum=3000,DropItemMaxNum_UNKO=100,BaseCampMaxNum=128,BaseCampWorkerMaxNum=15,"
    "DropItemAliveMaxHours=1.000000,bAutoResetGuildNoOnlinePlayers=False,AutoResetGuildTimeNoOnlinePlayers=72.000000,"
    "GuildPlayerMaxNum=20,PalEggDefaultHatchingTime=72.000000,WorkSpeedRate=1.000000,bIsMultiplay=False,"
    "bIsPvP=False,bCanPickupOtherGuildDeathPenaltyDrop=False,bEnableNonLoginPenalty=True,bEnableFastTravel=True,"
    "bIsStartLocationSelectByMap=True,bExistPlayerAfterLogout=False,bEnableDefenseOtherGuildPlayer=False,"
    "CoopPlayerMaxNum=4,ServerPlayerMaxNum=32,ServerName=\"Default Palworld Server\",ServerDescription=\"\","
    "AdminPassword=\"\",ServerPassword=\"\",PublicPort=8211,PublicIP=\"\",RCONEnabled=False,RCONPort=25575,"
    "Region=\"\",bUseAuth=True,BanListURL=\"https://api.palworldgame.com/api/banlist.txt\","
    "AllowGlobalPalboxExport=True,bAllowGlobalPalboxImport=False)\r\n";

constexpr char kManifest[] =
    "\"AppState\"\r\n{\r\n\t\"appid\"\t\t\"2394010\"\r\n\t\"name\"\t\t\"Palworld Dedicated Server\"\r\n"
    "\t\"installdir\"\t\t\"PalServer\"\r\n\t\"StateFlags\"\t\t\"4\"\r\n}\r\n";

std::string payload(int id) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!info) return {};
  HGLOBAL loaded = LoadResource(nullptr, info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return std::string(static_cast<const char*>(bytes), SizeofResource(nullptr, info));
}

bool failureRequested() {
  const std::wstring fail = fake::environment(L"KOVRIN_FAKE_STEAMCMD_FAIL");
  return !fail.empty() && fail != L"0";
}

int delayMs() {
  const std::wstring text = fake::environment(L"KOVRIN_FAKE_STEAMCMD_DELAY_MS");
  return text.empty() ? 50 : static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

void println(const std::string& line) { fake::print(line + "\r\n"); }

bool install(const std::wstring& root) {
  const std::wstring server = root + L"\\steamapps\\common\\PalServer";
  const std::wstring binaries = server + L"\\Pal\\Binaries\\Win64";
  fake::makeDirectories(binaries);
  const std::string launcher = payload(FAKE_PAYLOAD_LAUNCHER);
  const std::string process = payload(FAKE_PAYLOAD_SERVER);
  if (launcher.empty() || process.empty()) return false;
  bool ok = true;
  ok = fake::writeFile(server + L"\\PalServer.exe", launcher) && ok;
  ok = fake::writeFile(binaries + L"\\PalServer-Win64-Shipping-Cmd.exe", process) && ok;
  ok = fake::writeFile(server + L"\\DefaultPalWorldSettings.ini", kDefaultSettings) && ok;
  ok = fake::writeFile(root + L"\\steamapps\\appmanifest_2394010.acf", kManifest) && ok;
  return ok;
}

}  // namespace

int wmain() {
  const std::wstring root = fake::ownDirectory();
  fake::makeDirectories(root + L"\\logs");
  fake::appendFile(root + L"\\logs\\fake_steamcmd.log", fake::toUtf8(GetCommandLineW()) + "\r\n");

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < argc; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);

  println("Redirecting stderr to 'logs\\stderr.txt'");
  println("[  0%] Checking for available updates...");
  println("[----] Verifying installation...");
  println("Steam Console Client (c) Valve Corporation - version fake");
  println("-- type 'quit' to exit --");
  println("Loading Steam API...OK");

  bool loggedIn = false;
  int exitCode = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg == L"+login") {
      const std::wstring user = i + 1 < args.size() ? args[++i] : L"";
      if (user == L"anonymous") {
        println("Connecting anonymously to Steam Public...OK");
        println("Waiting for client config...OK");
        println("Waiting for user info...OK");
        loggedIn = true;
      } else {
        println("FAILED (Invalid Password)");
        exitCode = 5;
      }
    } else if (arg == L"+app_update") {
      const std::wstring app = i + 1 < args.size() ? args[++i] : L"";
      const bool validate = i + 1 < args.size() && args[i + 1] == L"validate";
      if (validate) ++i;
      const std::string appText = fake::toUtf8(app);
      if (!loggedIn) {
        println("ERROR! Failed to install app '" + appText + "' (No subscription)");
        exitCode = 8;
        continue;
      }
      if (app != kAppId) {
        println("ERROR! Failed to install app '" + appText + "' (Invalid platform)");
        exitCode = 8;
        continue;
      }
      if (failureRequested()) {
        println(" Update state (0x3) reconfiguring, progress: 0.00 (0 / 0)");
        println("ERROR! Failed to install app '" + appText + "' (No Connection)");
        exitCode = 8;
        continue;
      }
      const int delay = delayMs();
      for (int step = 1; step <= 10; ++step) {
        char line[128];
        std::snprintf(line, sizeof line, " Update state (0x%x) %s, progress: %d.00 (%d / 1000)",
                      validate && step > 7 ? 0x5 : 0x61, validate && step > 7 ? "verifying install" : "downloading",
                      step * 10, step * 100);
        println(line);
        if (delay > 0) Sleep(static_cast<DWORD>(delay));
      }
      if (install(root)) {
        println("Success! App '" + appText + "' fully installed.");
      } else {
        println("ERROR! Failed to install app '" + appText + "' (Disk write failure)");
        exitCode = 8;
      }
    } else if (arg == L"+quit") {
      break;
    } else {
      println("Unknown command \"" + fake::toUtf8(arg) + "\"");
    }
  }
  return exitCode;
}
