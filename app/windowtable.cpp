#include "app/windowtable.h"

#include "app/mainform.h"
#include "firebird/session.h"
#include "ui/errordisplay.h"
#include "windows/catalog/domains.h"
#include "windows/catalog/exceptions.h"
#include "windows/catalog/generators.h"
#include "windows/catalog/indices.h"
#include "windows/catalog/procedures.h"
#include "windows/catalog/structure.h"
#include "windows/catalog/triggers.h"
#include "windows/catalog/views.h"
#include "windows/dataview/tabledata.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/extractdialog.h"
#include "windows/repository/repositorywindow.h"

#include <QLabel>

namespace {
// Opened first, so that a login the user cancels leaves no empty window behind.
void OpenDatabase() {
  FbSession()->CheckFree();  // a window reading the database would wait for the run's end
  TIBDataBase *db = FbSession()->Database();
  if (!db->Connected()) db->Open();
}

// A window that does not show itself is shown as a child here.
template <class T>
std::function<void()> Open() {
  return [] {
    auto *form = new T();
    if (!form->SubWindow() && !form->isVisible()) form->ShowChild();
  };
}
}  // namespace

const QList<TWindowKind> &DatabaseWindows() {
  static const QList<TWindowKind> windows = {
      {"MnDomains",
       QStringLiteral("&Domains"),
       QStringLiteral("Opens domains list for viewing,creating  & editing"),
       {},
       Open<TDomainsForm>()},
      {"MnExceptions",
       QStringLiteral("&Exceptions"),
       QStringLiteral("Opens exceptions list for editing, creating and deleting"),
       {},
       Open<TExceptionsForm>()},
      {"MnTriggers",
       QStringLiteral("&Triggers"),
       QStringLiteral("Opens triggers list to view, edit and create triggers"),
       {},
       Open<TFormTriggers>()},
      {"MnStructures",
       QStringLiteral("&Structures"),
       QStringLiteral("Opens structures to view table/view structures"),
       {},
       Open<TFormTblStr>()},
      {"MnObjRepos",
       QStringLiteral("&Object repository"),
       QStringLiteral("Opens table in which you can save objects source for further using"),
       {},
       Open<TObjRepos>(),
       false},
      {"MnSQL",
       QStringLiteral("DD&L statements"),
       QStringLiteral("Opens SQL Expressions Window for executing DDL statements"),
       {},
       Open<TSQLExprForm>(),
       false},
      {"MNDataViewEditTest",
       QStringLiteral("Data &view"),
       QStringLiteral("Opens window in which you can view, edit, insert data in views and tables"),
       {},
       Open<TDataForm>()},
      {"MnGenerators",
       QStringLiteral("&Generators"),
       QStringLiteral("Opens generators list"),
       {},
       Open<TGeneratorsForm>()},
      {"MnExtract",
       QStringLiteral("Extract &metadata\u2026"),
       QStringLiteral("Writes the whole database's DDL script to a DDL statements window or a file"),
       {},
       [] { Guard(ExtractMetadata); }},
      {"MNProcedures",
       QStringLiteral("&Procedures"),
       QStringLiteral("Procedures list for creating editing stored procedures"),
       {},
       Open<TProceduresForm>()},
      {"MnViews",
       QStringLiteral("Vie&ws"),
       QStringLiteral("Opens views list with their source, columns and dependencies"),
       {},
       Open<TViewsForm>()},
      {"MnIndices",
       QStringLiteral("&Indices"),
       QStringLiteral("Opens indices list to activate, deactivate, recompute and drop indices"),
       {},
       Open<TIndicesForm>()},
  };
  return windows;
}

void OpenWindow(const TWindowKind &kind) {
  if (kind.needsConnection) OpenDatabase();
  kind.open();
}

void TWindowShell::ShowStatus(const QString &text) {
  if (MainForm) MainForm->StatusPanel->setText(text);
}

void TWindowShell::ShowTableData(const QString &relation) {
  OpenDatabase();
  ::ShowTableData(relation);
}

void TWindowShell::ShowDDL(const TStringList &lines) { CreateSQLExprForm(lines); }

TWindowShell *ProgramShell() {
  static TWindowShell shell;
  return &shell;
}
