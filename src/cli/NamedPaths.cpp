#include "cli/NamedPaths.h"

#include "files/FileProc.h"
#include "platform/os/NativeName.h"

#include <sys/stat.h>

bool NamedPaths::identityOf(const QByteArray& path, Identity& id) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

void NamedPaths::add(const QString& path, const OperationSetup& setup) {
    Identity id;
    const bool known = identityOf(NativeName::encode(path), id);
    // A path named twice (or by two spellings) is one run.
    if (known && m_seen.contains(id))
        return;
    if (known)
        m_seen.insert(id);
    const bool file = setup.strFilespec[0].startsWith(QLatin1Char('/'));
    if (!file) {
        if (known)
            m_folders.insert(id, NativeName::shown(setup.strDirpath[0]));
        m_groups << Group{setup, NativeName::shown(path), {}, {}};
        return;
    }
    const QString name = setup.strFilespec[0].mid(1);
    const auto at = m_fileGroups.constFind(setup.strDirpath[0]);
    if (at != m_fileGroups.cend()) {
        m_groups[*at].names << name;
        return;
    }
    m_fileGroups.insert(setup.strDirpath[0], m_groups.size());
    m_groups << Group{setup, NativeName::shown(setup.strDirpath[0]), {name}, NativeName::shown(path)};
}

bool NamedPaths::apart(QString& wrong) const {
    if (m_folders.isEmpty())
        return true;
    for (const Group& g : m_groups) {
        const bool file = !g.names.isEmpty();
        // A folder's own files are in it; with -r everything below it is.
        if (!file && !m_recursive)
            continue;
        QByteArray up = NativeName::encode(g.setup.strDirpath[0]);
        if (!file)
            up += "..";
        Identity at;
        if (!identityOf(up, at))
            continue;
        for (int level = 0; level < 4096; ++level) {
            const auto folder = m_folders.constFind(at);
            if (folder != m_folders.cend()) {
                const QString inside =
                    file ? (g.names.size() == 1 ? g.shownFirst : g.about + NativeName::shown(g.names.first()))
                         : g.about;
                wrong = inside + QStringLiteral(": is inside the folder ") + *folder +
                        QStringLiteral(", which this command takes as well; name each file once.");
                return false;
            }
            if (!m_recursive)
                break;
            up += up.endsWith('/') ? QByteArray("..") : QByteArray("/..");
            Identity parent;
            if (!identityOf(up, parent) || parent == at)
                break;
            at = parent;
        }
    }
    return true;
}

QList<NamedPaths::Run> NamedPaths::runs() const {
    QList<Run> runs;
    for (const Group& g : m_groups) {
        Run run{g.setup, g.names.size() == 1 ? g.shownFirst : g.about};
        if (g.names.size() > 1)
            run.setup.strFilespec[0] = FileProc::ExactNamesSpec(g.names);
        runs << run;
    }
    return runs;
}
