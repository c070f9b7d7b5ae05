#pragma once
// The protocol as a PDF on A4: the report page with its fonts embedded, followed by the graph of
// the package's errors over flow and, with a verdict, the permitted band of its profile.

#include <QImage>
#include <QPagedPaintDevice>
#include <QSize>
#include <QString>

#include "core/storage/report.h"

// The errors dg of the rows switched on over their reference flow; with a verdict, the band of
// each zone as step lines and the mean of each section.
QImage errorGraphImage(const PackageBase& package, const ReportVerdict* verdict, QSize size);

// Lays the protocol out on A4 pages of `device` (a PDF writer or a printer) at `resolution` dpi.
void printProtocol(QPagedPaintDevice& device, int resolution, const ReportFacts& facts,
                   const PackageBase& package);

// Replaces `path` only once the whole document is written; throws MessageError naming the file
// when it cannot be written.
void writeReportPdf(const QString& path, const ReportFacts& facts, const PackageBase& package);
