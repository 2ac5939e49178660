// The floor for start-up: the least a program can do to show a notes file in a window. pugixml
// parses the file in its own buffer, and a model reads a cell only when it is painted.
//
//   quill_floor NOTES_FILE
#include <QAbstractTableModel>
#include <QApplication>
#include <QFile>
#include <QTreeView>
#include <pugixml.hpp>
#include <vector>

namespace {

class LazyModel final : public QAbstractTableModel {
public:
    explicit LazyModel(const QString& path) {
        m_doc.load_file(QFile::encodeName(path).constData());
        for (pugi::xml_node n : m_doc.document_element().children())
            if (n.type() == pugi::node_element)
                m_rows.push_back(n);
    }
    int rowCount(const QModelIndex& = {}) const override { return int(m_rows.size()); }
    int columnCount(const QModelIndex& = {}) const override { return 4; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        static const char* names[] = {"DateTime", "LastModified", "Title", "Text"};
        return QString::fromUtf8(m_rows[size_t(i.row())].child(names[i.column()]).child_value());
    }

private:
    pugi::xml_document m_doc;
    std::vector<pugi::xml_node> m_rows;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    LazyModel model(QString::fromLocal8Bit(argv[1]));
    QTreeView view;
    view.setWindowTitle(QStringLiteral("Floor"));
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(800, 600);
    view.show();
    return app.exec();
}
