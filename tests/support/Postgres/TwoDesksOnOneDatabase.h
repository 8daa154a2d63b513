#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "support/Desk/DeskProcess.h"
#include "support/Platform/ScratchFolder.h"
#include "support/Postgres/PostgresCluster.h"

namespace velmaro::testing_postgres {

// Two velmaro-desk processes (A and B) on one fresh database of this program's cluster, for the
// tenant "acme" with one agent (alex@acme.example, "correct horse"), each on a loopback port it
// picked. Either may be killed and started again on the same database.
class TwoDesksOnOneDatabase {
public:
    // Check available() before use: false when PostgreSQL is not installed.
    TwoDesksOnOneDatabase() : folder_("two-desks") {
        auto* cluster = PostgresCluster::shared();
        if (!cluster) return;
        url_ = cluster->freshDatabase();
        tenant_ = (folder_.path() / "tenant.json").string();
        std::ofstream(tenant_) << nlohmann::json{
            {"tenantId", "acme"},
            {"name", "Acme"},
            {"primaryColor", "#48DFB2"},
            {"agents", {{{"email", "alex@acme.example"}, {"name", "Alex"}, {"password", "correct horse"}}}}};
        start(0);
        start(1);
    }

    bool available() const { return !url_.empty(); }
    const std::string& url() const { return url_; }
    const std::filesystem::path& folder() const { return folder_.path(); }

    // Desk 0 is A, desk 1 is B.
    testing_desk::DeskProcess& desk(int which) { return *desks_[which]; }
    unsigned short port(int which) const { return desks_[which]->port(); }
    std::string address(int which) const { return "http://127.0.0.1:" + std::to_string(port(which)); }
    // Started (again) on the same database, on a port it picks; its log is desk-A.log or desk-B.log.
    void start(int which) {
        const std::string log = (folder_.path() / (which == 0 ? "desk-A.log" : "desk-B.log")).string();
        desks_[which] = std::make_unique<testing_desk::DeskProcess>(url_, tenant_, log);
    }

private:
    ScratchFolder folder_;
    std::string url_, tenant_;
    std::unique_ptr<testing_desk::DeskProcess> desks_[2];
};

}  // namespace velmaro::testing_postgres
