#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QUtf8StringView>

#include <array>
#include <optional>
#include <vector>

// The rows of the results list: zip, city and state with a tick that means "take this row".
// Rows start unticked; only the person ticks them. Columns are added by start-up. Rows and
// columns count from 0, as Qt's models do.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Where a cell's text lies in the list's one text.
    struct Span {
        quint32 start = 0;
        quint32 size = 0;
    };
    // A row: its three cells and its tick.
    struct Row {
        std::array<Span, 3> cells;
        bool ticked = false;
    };

    // Collects rows and adds them to the model in one insertion at commit(), so filling tens
    // of thousands of rows costs one update of the view, not one per row. Their texts go into
    // one text, with no string a cell. Rows not committed are dropped with the appender.
    class Appender
    {
    public:
        // A cell of the row added last, to fill in.
        class Cell
        {
        public:
            Cell &operator=(QStringView text);
            // The store's bytes, decoded straight into the list's text.
            Cell &operator=(QUtf8StringView text);

        private:
            friend class Appender;
            Cell(Appender &appender, int column) : m_appender(appender), m_column(column) {}
            Appender &m_appender;
            int m_column;
        };
        struct LastRow {
            Cell zip, city, state;
        };

        explicit Appender(ResultsModel &model) : m_model(model) {}
        Appender(const Appender &) = delete;
        Appender &operator=(const Appender &) = delete;

        void addRow(QStringView zip, QStringView city = {}, QStringView state = {});
        void addRow(QUtf8StringView zip);
        // Throws std::out_of_range when no row was added.
        LastRow lastRow();
        void setLastMiles(double miles);
        void commit();

    private:
        Row &last();
        Span add(QStringView text);
        Span add(QUtf8StringView text);

        ResultsModel &m_model;
        std::vector<Row> m_pending;
        QString m_text;
        // Each row's miles from a place, for the ZIPs near it; empty for any other list.
        std::vector<double> m_miles;
    };

    using QAbstractTableModel::QAbstractTableModel;

    void addColumn(const QString &caption);
    void clear();
    void setTicked(const QList<int> &rows, bool ticked);
    // Every row at once, told to the views in one change.
    void setAllTicked(bool ticked);

    // References and views stay valid until the rows or columns change.
    const QString &header(int column) const;
    QStringView cellView(int row, int column) const;
    QString cell(int row, int column) const { return cellView(row, column).toString(); }
    bool ticked(int row) const;
    // Whether the rows are the ZIPs near a place, each with its miles from there.
    bool hasMiles() const;
    // None for a row without miles.
    std::optional<double> miles(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Row &rowAt(int row) const;
    QStringView field(const Row &row, int column) const;
    void append(std::vector<Row> &&rows, const QString &text, std::vector<double> &&miles);

    std::vector<QString> m_headers;
    std::vector<Row> m_rows;
    QString m_text;
    // Kept apart, as few lists have them: none below 0, and none past its end.
    std::vector<double> m_miles;
};
