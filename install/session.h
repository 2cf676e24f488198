// One install as every front end runs it: detect what there is (the package archive in the
// working folder, its package and cover, the host's installations), decide whether an install
// may go on (the folder, the preconditions), and apply it. Every decision is made here, once;
// the front ends only present it: the window shows each step as it goes, a run without a window
// turns the outcome into an exit code.
#pragma once

#include <optional>
#include <vector>

#include "archive/archive_source.h"
#include "install/install_transaction.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "target/refusal.h"

namespace install {

using text::Text;

// The files of the working folder the session works with.
struct WorkFiles {
  Text folder;  // ends with "\"
  // The package archive: where it lies in the installer, or a file of its own.
  zipkit::ArchiveSource archive;
  Text cover;  // the cover picture: folder + "cover.jpg"
};

// What the working folder holds of the package.
struct PackageFound {
  bool archive = false;         // the package archive is there
  std::optional<Text> package;  // the one package it names
  bool cover = false;           // a cover picture is there
  // Why the cover is no picture that can be shown, when it is not.
  std::optional<Text> coverError;
  // The line a package that breaks the package rules, or whose cover would not fit on the working
  // folder's drive, was refused with: nothing of it is offered.
  std::optional<Text> refusal;
  // Only a package with a cover that can be shown is offered: the cover is all the user sees of
  // it.
  bool offered() const { return package && cover && !coverError; }
};

// The host's installations on every drive, and the one proposed among them.
struct HostDiscovery {
  std::vector<Text> found;  // drive by drive, as the folder search yields them
  // The first found, as a host folder ("\" at its end); a user may confirm or change it.
  std::optional<Text> proposal;
};

// What a front end shows of the detection as it goes.
class DetectObserver {
 public:
  virtual ~DetectObserver() = default;
  // The package search begins: nothing may be installed until it has found one.
  virtual void searching() {}
};

class Session {
 public:
  Session(plat::Platform& platform, WorkFiles files, logs::Log log)
      : platform_(platform), files_(std::move(files)), log_(std::move(log)) {}

  // --- detect ---
  // The archive, its package and its cover, each step logged, and what is missing said at the
  // important level ("Brak danych pakietu !", "Brak okładki pakietu !", "Brak pakietu do
  // instalacji !"). A cover left by an earlier run counts, as the window shows it.
  PackageFound detectPackage(DetectObserver& observer);
  // Its steps: the package search in the archive, and the cover step (an old cover removed, the
  // package's cover taken out and renamed; the refusal's line, logged, when it would not fit on
  // the working folder's drive in whole clusters).
  PackageFound searchPackage(DetectObserver& observer);
  std::optional<Text> takeCover(const Text& package);
  // The host's installations on every drive.
  HostDiscovery discoverHosts();

  // --- plan ---
  // A run that nobody watches may take only a single installation: none found, or several, is
  // refused (the message for several is logged here, discovery has logged the one for none).
  std::optional<target::Refusal> refuseUnconfirmed(const HostDiscovery& hosts);
  // Whether the text names a host folder, one holding the library folder. Logs the check at the
  // debug level only: the window runs it on every keystroke.
  std::optional<target::Refusal> checkFolder(const Text& hostFolder);

  // Whether an install into the folder may go on: the folder names a host installation, and
  // the preconditions hold. Logs the checks and the refusal.
  std::optional<target::Refusal> checkHost(const Text& hostFolder, const Text& package);
  // Its second half, for a folder already known to name an installation: the preconditions,
  // refused while another installer works in the package folder. Puts nothing right: an install
  // an earlier run left unfinished is put right by apply, with the package folder held.
  std::optional<target::Refusal> checkInstall(const Text& hostFolder, const Text& package);

  // --- apply ---
  // The install transaction, with the package folder held for its whole life; it checks the
  // folder and the preconditions once more, silently, after putting right an install an earlier
  // run left unfinished there. Throws nothing: an error no step could name ends it with what it
  // left on the disk.
  Outcome apply(const Text& hostFolder, const Text& package, Observer& observer);

 private:
  // Why the picture cannot be shown, or nothing.
  std::optional<Text> pictureError(const Text& path);

  plat::Platform& platform_;
  WorkFiles files_;
  logs::Log log_;
};

}  // namespace install
