// The Install click: back up the package's database, unpack the package, merge the databases,
// then finish or put the backup back. The host's database is never left without a copy: when
// the backup cannot be put back, the user is told where it is.
#include <exception>

#include "app/form1.h"

namespace app {

namespace {

struct InstallPaths {
  Text library;  // host folder + "dodatki\\"
  Text package;  // library + package name + "\\"
  Text database;
  Text backup;
  Text fromPackage;
};

InstallPaths installPaths(const Text& hostFolder, const Text& packageName) {
  InstallPaths p;
  p.library = text::trim(hostFolder) + u"dodatki" + u"\\";
  p.package = p.library + packageName + u"\\";
  p.database = p.package + u"dodatki.mdb";
  p.backup = p.package + u"dodatki_old.mdb";
  p.fromPackage = p.package + u"dodatki_new.mdb";
  return p;
}

}  // namespace

void TForm1::ButtonInstallClick() {
  // The folder field may have changed since Install was enabled: check it again, without side
  // effects, and leave the window as it is when it no longer holds.
  if (const auto blocker = installBlocker()) {
    info(IMPORTANT, *blocker);
    return;
  }
  const InstallPaths p = installPaths(wnd_.edit1(), packageName);
  // A backup left by an interrupted run may be the only copy of the host's database.
  if (fs_.fileExists(p.backup)) {
    info(IMPORTANT,
         u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. Przenieś go w bezpieczne "
         u"miejsce i spróbuj ponownie.");
    return;
  }

  wnd_.setVisible(Ctl::gauge, true);
  wnd_.setGauge(0);
  bool res = false;
  wnd_.setVisible(Ctl::StaticText1, false);
  wnd_.setVisible(Ctl::Edit1, false);
  wnd_.setInfoLabel(u"");
  bnInstallSetActive();

  if (!fs_.fileExists(sourceZip)) {
    info(IMPORTANT, u"Wystąpił błąd instalacji. Brak pliku: " + sourceZip);
  } else {
    bnCloseSetDisable();
    bool bodyCompleted = false;
    bool restoreFailed = false;
    try {
      info(DEBUG, u"Trwa instalowanie pakietu...");
      info(DEBUG, u"MDB: " + p.package + u"dodatki.mdb");

      bool backedUp = true;
      if (fs_.fileExists(p.database)) {
        info(DEBUG, u"zmieniamy " + p.package + u"dodatki.mdb" + u" na dodatki_old.mdb");
        if (!fs_.moveFile(p.database, p.backup)) {
          info(IMPORTANT, u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb");
          // Unpacking now would overwrite the only copy of the database.
          backedUp = false;
        }
      }

      if (backedUp) {
        info(DEBUG, u"Zaczynamy rozpakowywanie pliku ZIP do: " + p.library);
        res = ExtractFilesFromZip(sourceZip, p.library);
      }

      if (res) {
        info(DEBUG, u"Zaczynamy obsługę bazy dodatki.mdb");
        res = false;
        // A leftover of an interrupted run must never be merged as the package's database.
        const bool noLeftover = !fs_.fileExists(p.fromPackage) || fs_.deleteFile(p.fromPackage);
        if (noLeftover) {
          fs_.moveFile(p.database, p.fromPackage);
          if (CopyMdb(p.fromPackage, p.backup, p.database)) {
            res = true;
          } else if (!fs_.fileExists(p.backup) && fs_.fileExists(p.database)) {
            // A first install whose merge failed keeps no half-made database.
            fs_.deleteFile(p.database);
          }
        }
      }

      if (fs_.fileExists(p.fromPackage)) fs_.deleteFile(p.fromPackage);

      if (res) {
        info(DEBUG, u"Poprawnie zakończono instalację.");
        SetFinish();
      } else {
        info(IMPORTANT, u"Wystąpił błąd instalacji. Spróbuj ponownie.");
        if (fs_.fileExists(p.backup)) {
          if (fs_.fileExists(p.database)) {
            info(DEBUG, u"Kasujemy uszkodzony plik dodatki.mdb");
            fs_.deleteFile(p.database);
          }
          restoreFailed = !fs_.moveFile(p.backup, p.database);
          info(DEBUG, u"Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb");
        }
      }
      bodyCompleted = true;
    } catch (const std::exception&) {
      res = false;
    }

    info(DEBUG, u"FINALLY kończymy instalację.");
    if (res) {
      SetFinish();
    } else {
      wnd_.setVisible(Ctl::gauge, false);
    }
    // The backup goes only after a success; otherwise it may be the only copy left.
    const bool keepBackup = !bodyCompleted || restoreFailed;
    if (fs_.fileExists(p.backup)) {
      if (keepBackup) {
        info(IMPORTANT, u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: " + p.backup);
      } else {
        info(DEBUG, u"Kasujemy niepotrzebny plik dodatki_old.mdb");
        fs_.deleteFile(p.backup);
      }
    } else if (!bodyCompleted) {
      info(IMPORTANT, u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    }
    if (fs_.fileExists(p.fromPackage)) {
      info(DEBUG, u"Kasujemy niepotrzebny plik dodatki_new.mdb");
      fs_.deleteFile(p.fromPackage);
    }
  }

  bnCloseSetEnable();
  wnd_.setVisible(Ctl::bnInstallActive, false);
  wnd_.setVisible(Ctl::bnInstallDisable, false);
}

}  // namespace app
