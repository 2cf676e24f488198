#include "app/exit_code.h"

namespace app {

ExitCode exitOf(const target::Refusal& refusal) {
  switch (refusal.reason) {
    case target::Refusal::Reason::NoInstallation:
    case target::Refusal::Reason::SeveralInstallations:
      return ExitCode::NoHostFolder;
    case target::Refusal::Reason::DatabaseInUse:
    case target::Refusal::Reason::HostRunning:
      return ExitCode::HostBusy;
    case target::Refusal::Reason::InterruptedInstall:
      return ExitCode::InterruptedInstall;
    case target::Refusal::Reason::ProcessListUnreadable:
      return ExitCode::ProcessListUnreadable;
    case target::Refusal::Reason::RecoveryFailed:
      return ExitCode::RecoveryFailed;
    case target::Refusal::Reason::PackageHeld:
      return ExitCode::PackageHeld;
    case target::Refusal::Reason::LinkInPackage:
      return ExitCode::LinkInPackage;
    case target::Refusal::Reason::UnexpectedError:
      return ExitCode::StoppedUnchanged;
  }
  return ExitCode::HostBusy;
}

ExitCode exitOf(const install::Outcome& outcome) {
  switch (outcome.result) {
    case install::Outcome::Result::Installed:
      return ExitCode::Installed;
    case install::Outcome::Result::Refused:
      // Every refusal names its reason (Outcome::refusedBy); nothing was touched in any case.
      return outcome.refusal ? exitOf(*outcome.refusal) : ExitCode::StoppedUnchanged;
    case install::Outcome::Result::PackageRefused:
      return ExitCode::NoPackage;
    case install::Outcome::Result::Restored:
      return ExitCode::FailedRestored;
    case install::Outcome::Result::BackupKept:
      return ExitCode::FailedBackupKept;
    case install::Outcome::Result::Unfinished:
      return ExitCode::FailedUnfinished;
  }
  return ExitCode::FailedRestored;
}

text::Text exitCodeMeaning(ExitCode code) {
  switch (code) {
    case ExitCode::Installed:
      return u"zainstalowano";
    case ExitCode::BadCommandLine:
      return u"błędny wiersz poleceń";
    case ExitCode::NoPackage:
      return u"brak pakietu, pakiet uszkodzony lub odrzucony";
    case ExitCode::NoHostFolder:
      return u"brak poprawnego folderu instalacji";
    case ExitCode::HostBusy:
      return u"program działa lub jego baza jest w użyciu";
    case ExitCode::FailedRestored:
      return u"instalacja nieudana, poprzednia baza na miejscu";
    case ExitCode::FailedBackupKept:
      return u"instalacja nieudana, poprzednia baza zachowana jako dodatki_old.mdb";
    case ExitCode::LogFileFailed:
      return u"nie można utworzyć pliku dziennika";
    case ExitCode::InterruptedInstall:
      return u"przerwana instalacja zostawiła plik dodatki_old.mdb lub folder dodatki_install.old";
    case ExitCode::ProcessListUnreadable:
      return u"nie można sprawdzić uruchomionych programów";
    case ExitCode::WorkFolderFailed:
      return u"nie można utworzyć folderu roboczego";
    case ExitCode::RecoveryFailed:
      return u"nie można cofnąć ani dokończyć przerwanej instalacji";
    case ExitCode::PackageHeld:
      return u"ten pakiet instaluje inny instalator";
    case ExitCode::LinkInPackage:
      return u"folder pakietu zawiera dowiązanie symboliczne";
    case ExitCode::NotInstalled:
      return u"zamknięto okno bez instalacji";
    case ExitCode::StoppedUnchanged:
      return u"nieoczekiwany błąd przed instalacją, niczego nie zmieniono";
    case ExitCode::FailedUnfinished:
      return u"instalacja nieudana, nie wszystko przywrócono: dokończy to następne uruchomienie";
  }
  return {};
}

}  // namespace app
