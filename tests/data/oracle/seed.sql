-- Fixture of the ZDOCI driver tests, loaded through QSQLITE: tables with
-- Oracle column types and a small data dictionary.
PRAGMA journal_mode=WAL;
create table kinds (id NUMBER(10) NOT NULL, num NUMBER(10,2), big NUMBER, flt FLOAT,
    txt VARCHAR2(20), dt DATE, clb CLOB, blb BLOB, rw RAW(8), cnt INTEGER);
insert into kinds values (1, 12.5, 123456789012, 2.25, 'héllo', '2024-03-05 14:30:09',
    'clob €', x'00ff10', x'0102', 7);
insert into kinds values (2, NULL, NULL, NULL, NULL, NULL, '', NULL, NULL, NULL);
insert into kinds (id) values (3);
create table trn (v NUMBER(10));
create table trunc (t VARCHAR2(4));
insert into trunc values ('abcdefghij');
create table longs (id NUMBER(10), txt LONG);
create table raws (id NUMBER(10), bin LONG RAW);
create table batch (a VARCHAR2(20), b NUMBER(10));
create table bo (v NUMBER(19));
create table rid (v VARCHAR2(10));
create table all_tables (owner VARCHAR2(30), table_name VARCHAR2(30));
insert into all_tables values ('SCOTT', 'EMP'), ('HR', 'EMPLOYEES'), ('SYS', 'DUAL');
create table all_synonyms (owner VARCHAR2(30), synonym_name VARCHAR2(30),
    table_owner VARCHAR2(30), table_name VARCHAR2(30));
insert into all_synonyms values ('SCOTT', 'SYN', 'SCOTT', 'EMP');
create table all_views (owner VARCHAR2(30), view_name VARCHAR2(30));
insert into all_views values ('SCOTT', 'EMPV');
create table dictionary (table_name VARCHAR2(30));
insert into dictionary values ('USER_TABLES');
create table all_tab_columns (owner VARCHAR2(30), table_name VARCHAR2(30),
    column_name VARCHAR2(30), data_type VARCHAR2(30), data_length NUMBER,
    data_precision NUMBER, data_scale NUMBER, nullable VARCHAR2(1),
    data_default VARCHAR2(30), char_length NUMBER);
insert into all_tab_columns values
    ('SCOTT', 'EMP', 'EMPNO', 'NUMBER', 22, 10, 0, 'N', NULL, 0),
    ('SCOTT', 'EMP', 'ENAME', 'VARCHAR2', 40, NULL, NULL, 'Y', 'x', 10);
create table all_constraints (owner VARCHAR2(30), constraint_type VARCHAR2(1),
    constraint_name VARCHAR2(30), table_name VARCHAR2(30));
insert into all_constraints values ('SCOTT', 'P', 'PK_EMP', 'EMP');
create table all_ind_columns (column_name VARCHAR2(30), index_name VARCHAR2(30),
    index_owner VARCHAR2(30));
insert into all_ind_columns values ('EMPNO', 'PK_EMP', 'SCOTT');
